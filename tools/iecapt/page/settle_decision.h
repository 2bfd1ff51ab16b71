#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlenda::iecapt {

// Times in milliseconds from one origin (when the page began to settle), so
// the page's clock and the tool's meet in plain numbers.
using Millis = std::chrono::milliseconds;

// A timer the page set that has not fired yet, an interval's next run, a
// delayed task, or an idle callback (due at once).
struct PendingTimer {
    Millis due;
    // How many times in a row its callback set itself again from inside its
    // own run: a chain that never ends looks like this.
    int rearms = 0;
    bool interval = false;
    Millis every{0};  // the delay it was set with; an interval's period
    // Whether the document changed since its last run began (since it was
    // set, when it has not run): a chain or an interval still building the
    // picture, not one that only polls or ticks.
    bool changedSinceRun = true;
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

// What a last look at the banner the consent rules dealt with found, once
// the page settled: gone, still (or again) on screen, hidden by us where the
// rules name what to hide, or not known (the look failed).
enum class BannerSight { Unknown, Gone, Shown, Hidden };

// What the tool says of the banner: only what the picture shows.
enum class BannerOutcome {
    None,      // nothing to say
    Closed,    // answered, and gone from the picture
    Hidden,    // hidden, as the rules allow
    Stayed,    // in the picture
    LeftPage,  // in the picture: answering it would have left the page
};
BannerOutcome bannerOutcome(ConsentCheck state, bool answerLeftPage, BannerSight sight);

// What the page watch knows at one look.
struct SettleFacts {
    Millis now{};
    Millis budgetEnd{};  // --settle, cut to what the capture can spare
    Millis lastNetworkActivity{};
    bool requestsInFlight = false;
    Millis lastDocumentChange{};
    Millis lastFrameAsked{};
    int animationsRunning = 0;         // finite animations not yet at their end
    std::vector<PendingTimer> timers;  // one-shot timers only
    // Workers handed work, or starting, that the page has not heard back from.
    int workersAwaited = 0;
    Millis lastWorkerMessage{};
    // How late the page's thread runs what is due: on a busy machine every
    // quiet period is stretched by it.
    Millis lateness{};
    ConsentCheck consent = ConsentCheck::Off;
    int videosLoading = 0;  // in the picture, with no frame to show yet
    // When a refresh the page scheduled takes it to another address.
    std::optional<Millis> refreshDue;
};

// How long each kind of activity must stay still, and the other limits.
struct SettleLimits {
    Millis networkQuiet{150};  // also after a worker's last message
    Millis documentQuiet{150};
    Millis framesQuiet{100};
    Millis lookInterval{50};  // the least time between two looks
    Millis consentWait{3000};
    int endlessRearms = 2;    // a chain that set itself again this often may never end
    Millis mostStretch{600};  // a busy machine's quiet periods grow by no more
    // A chain or an interval this slow or slower is a clock or a carousel:
    // every moment of it is a right picture.
    Millis slowRepeat{1000};
    // Between the two looks at the picture that tell whether it still moves.
    Millis pictureWatch{400};
};

// What can hold a page back, in the order a warning names them.
enum class Motion {
    Network,
    Workers,
    Document,
    AnimationFrames,
    Animations,
    Timers,
    EndlessTimers,
    Videos,
    Refresh,
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

// Settled once the network, the page's workers, the document and its frames
// have been still for their quiet periods (longer by the page's lateness on a
// busy machine), no finite animation runs, no one-shot timer or idle callback
// is due within the budget, no video in the picture waits for its first
// frame, a refresh to another page due within the budget has taken place,
// and the consent check has had its say. A chain that keeps setting itself
// again, or an interval, holds the page only while its runs change the
// document, and only when it repeats faster than a clock; timers due after
// the budget hold nothing back. What still moves when the budget ends is
// given up on with a reason.
SettleAnswer decideSettle(const SettleFacts& facts);

// What of the given-up motions is worth a warning: only what the picture
// shows still changing (two looks at it a quiet period apart differ), and
// never the consent banner, which is said once the picture is taken.
std::vector<Motion> motionsToReport(const std::vector<Motion>& givenUp, bool pictureChanged);

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

// How long the page's loading may take before what it still waits for is
// given up: a part of the time-out, short enough to leave time for the page
// without it.
Millis stallCutOff(Millis timeout);

// How long settling may go on: what was asked for, but never into the time
// the capture itself needs, a part of the time-out, of the time left.
Millis settleBudget(Millis asked, Millis timeLeft, Millis timeout);

}  // namespace orlenda::iecapt
