#include "page/settle_decision.h"

#include <algorithm>
#include <optional>

namespace orlenda::iecapt {

std::string_view describe(Motion motion) {
    switch (motion) {
        case Motion::Network:
            return "the network";
        case Motion::Document:
            return "the document";
        case Motion::AnimationFrames:
            return "animation frames";
        case Motion::Animations:
            return "animations";
        case Motion::Timers:
            return "timers";
        case Motion::EndlessTimers:
            return "a timer that keeps setting itself again";
        case Motion::ConsentBanner:
            return "a consent banner that could not be closed";
    }
    return "the page";
}

ConsentCheck consentCheckOf(const ConsentReport& report) {
    const std::string_view lifecycle = report.lifecycle;
    if (lifecycle.empty()) return ConsentCheck::Off;
    if (lifecycle == "done") return ConsentCheck::Closed;
    if (lifecycle == "optOutFailed") return ConsentCheck::NotClosed;
    // An answer in several steps reports success between them.
    if (lifecycle == "openPopupDetected" || lifecycle == "runningOptOut" ||
        lifecycle == "optOutSucceeded") {
        return ConsentCheck::BannerOpen;
    }
    if (lifecycle == "cmpDetected") return ConsentCheck::PlatformFound;
    if (lifecycle == "nothingDetected") return ConsentCheck::NothingFound;
    // Still looking, for as long as the page lives: a look half done counts
    // as not done. Banners only the text gives away are looked for from the
    // second look on.
    if (report.looks < 1 || report.busy) return ConsentCheck::Looking;
    if (report.cookieWords && report.looks < 2) return ConsentCheck::Hinted;
    return ConsentCheck::NothingFound;
}

namespace {

// When the consent check stops holding the page back; nothing when it does
// not hold it back at all.
std::optional<Millis> consentStillAt(const ConsentFacts& consent, const SettleLimits& limits) {
    switch (consent.state) {
        case ConsentCheck::Looking:
        case ConsentCheck::Hinted:
        case ConsentCheck::PlatformFound:
        case ConsentCheck::BannerOpen:
            return consent.since + limits.consentWait;
        default:
            return std::nullopt;
    }
}

}  // namespace

SettleAnswer decideSettle(const SettleFacts& facts, const SettleLimits& limits) {
    const Millis now = facts.now;
    const Millis soon = now + limits.lookInterval;
    SettleAnswer answer;
    const auto note = [&](Motion motion) {
        if (std::ranges::find(answer.moving, motion) == answer.moving.end()) {
            answer.moving.push_back(motion);
        }
    };
    Millis stillAt = now;
    const auto holdUntil = [&](Millis at, Motion motion) {
        if (at <= now) return;
        stillAt = std::max(stillAt, at);
        note(motion);
    };

    holdUntil(facts.requestsInFlight ? soon : facts.lastNetworkActivity + limits.networkQuiet,
              Motion::Network);
    holdUntil(facts.lastDocumentChange + limits.documentQuiet, Motion::Document);
    holdUntil(facts.lastFrameAsked + limits.framesQuiet, Motion::AnimationFrames);
    if (facts.animationsRunning > 0) holdUntil(soon, Motion::Animations);
    bool endlessTimer = false;
    for (const PendingTimer& timer : facts.timers) {
        if (timer.repeating || timer.due > facts.budgetEnd) continue;
        if (timer.rearms >= limits.endlessRearms) {
            endlessTimer = true;
        } else {
            // An overdue timer waits for a busy page: its run is what counts.
            holdUntil(std::max(timer.due, soon), Motion::Timers);
        }
    }
    if (const auto until = consentStillAt(facts.consent, limits); until && now < *until) {
        holdUntil(soon, Motion::ConsentBanner);
    }

    if (!answer.moving.empty() && now < facts.budgetEnd) {
        std::ranges::sort(answer.moving);
        answer.verdict = SettleAnswer::Verdict::LookAgain;
        answer.lookAgainAt = std::min(std::max(stillAt, soon), facts.budgetEnd);
        return answer;
    }
    // Given up on: what a person would still see move, not a check that found
    // nothing yet.
    const bool bannerLeft = facts.consent.state == ConsentCheck::BannerOpen ||
                            facts.consent.state == ConsentCheck::NotClosed;
    std::erase(answer.moving, Motion::ConsentBanner);
    if (bannerLeft) note(Motion::ConsentBanner);
    if (endlessTimer) note(Motion::EndlessTimers);
    std::ranges::sort(answer.moving);
    answer.verdict =
        answer.moving.empty() ? SettleAnswer::Verdict::Settled : SettleAnswer::Verdict::GiveUp;
    return answer;
}

bool shouldScrollThrough(const LazyContentFacts& facts) {
    if (!facts.fullPage || facts.pageHeight <= facts.viewportHeight) return false;
    return facts.lazyElements > 0 || facts.observedElements > 0 || facts.scrollListeners > 0;
}

}  // namespace orlenda::iecapt
