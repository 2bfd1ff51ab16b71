#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace orlenda::iecapt {

// Times in milliseconds from one origin (when the page began to settle), so
// the page's clock and the tool's meet in plain numbers.
using Millis = std::chrono::milliseconds;

// A timer the page set that has not fired yet.
struct PendingTimer {
    Millis due;
    bool repeating = false;  // setInterval
    // How many times in a row its callback set itself again from inside its
    // own run: a chain that never ends looks like this.
    int rearms = 0;
};

// Where the consent-banner check stands on the page.
enum class ConsentCheck {
    Off,            // not asked for, or its rules are missing
    Looking,        // it has not looked at the page yet
    Hinted,         // the text speaks of cookies; its broader look is still to come
    PlatformFound,  // a consent platform is on the page; its banner may follow
    BannerOpen,     // a banner is open and being answered
    Closed,         // a banner was answered
    NotClosed,      // a banner is open and could not be answered
    NothingFound,   // looked, and found nothing to answer
};

// What the consent rules report: their lifecycle (empty: they are not on this
// page), how many looks for a consent platform they have begun, whether the
// page's text speaks of cookies, and whether they are in the middle of a look.
struct ConsentReport {
    std::string_view lifecycle;
    int looks = 0;
    bool cookieWords = false;
    bool busy = false;
};
ConsentCheck consentCheckOf(const ConsentReport& report);

struct ConsentFacts {
    ConsentCheck state = ConsentCheck::Off;
    Millis since{};  // when the state began to hold the page back
};

// What the page watch knows at one look.
struct SettleFacts {
    Millis now{};
    Millis budgetEnd{};  // --settle, cut to what the capture can spare
    Millis lastNetworkActivity{};
    bool requestsInFlight = false;
    Millis lastDocumentChange{};
    Millis lastFrameAsked{};
    int animationsRunning = 0;  // finite animations not yet at their end
    std::vector<PendingTimer> timers;
    ConsentFacts consent;
};

// How long each kind of activity must stay still, and the other limits.
struct SettleLimits {
    Millis networkQuiet{150};
    Millis documentQuiet{150};
    Millis framesQuiet{100};
    Millis lookInterval{50};  // the least time between two looks
    Millis consentWait{3000};
    int endlessRearms = 2;  // a chain that set itself again this often never ends
};

// What can hold a page back, in the order a warning names them.
enum class Motion {
    Network,
    Document,
    AnimationFrames,
    Animations,
    Timers,
    EndlessTimers,
    ConsentBanner
};
std::string_view describe(Motion motion);

struct SettleAnswer {
    enum class Verdict { Settled, LookAgain, GiveUp };
    Verdict verdict = Verdict::Settled;
    Millis lookAgainAt{};  // with LookAgain
    // With LookAgain what still moves; with GiveUp what was given up on.
    std::vector<Motion> moving;
};

// Settled once the network, the document and the page's frames have been still
// for their quiet periods, no finite animation runs, no one-shot timer is due
// within the budget, and the consent check has had its say. Repeating timers,
// timers due after the budget and chains that keep setting themselves again do
// not hold the page back; the last two, like anything still moving when the
// budget ends, are given up on with a reason.
SettleAnswer decideSettle(const SettleFacts& facts, const SettleLimits& limits = {});

// Facts for deciding whether scrolling through the page is worth its time.
struct LazyContentFacts {
    bool fullPage = true;
    int pageHeight = 0;
    int viewportHeight = 0;
    // Images and frames with loading="lazy", or marked the way script lazy
    // loaders mark theirs (data-src, class "lazyload").
    int lazyElements = 0;
    int observedElements = 0;  // watched by an IntersectionObserver
    int scrollListeners = 0;   // scripts that follow the page's scrolling
};

// Scrolls only a whole page taller than the viewport that loads or shows
// something once it is scrolled to.
bool shouldScrollThrough(const LazyContentFacts& facts);

}  // namespace orlenda::iecapt
