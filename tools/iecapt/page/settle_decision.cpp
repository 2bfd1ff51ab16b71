#include "page/settle_decision.h"

#include <algorithm>
#include <iterator>

namespace orlenda::iecapt {

std::string_view describe(Motion motion) {
    switch (motion) {
        case Motion::Network:
            return "the network";
        case Motion::Workers:
            return "a worker's answer";
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
        case Motion::Videos:
            return "a video still loading";
        case Motion::Refresh:
            return "a refresh to another page";
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

BannerOutcome bannerOutcome(ConsentCheck state, bool answerLeftPage, BannerSight sight) {
    const bool bannerSeenOpen =
        state == ConsentCheck::BannerOpen || state == ConsentCheck::NotClosed || answerLeftPage;
    switch (sight) {
        case BannerSight::Hidden:
            return BannerOutcome::Hidden;
        case BannerSight::Shown:
            return answerLeftPage ? BannerOutcome::LeftPage : BannerOutcome::Stayed;
        case BannerSight::Gone:
            return state == ConsentCheck::Closed ? BannerOutcome::Closed : BannerOutcome::None;
        case BannerSight::Unknown:
            break;
    }
    // Not looked at again: "closed" only after a look, a banner last seen open stays.
    if (!bannerSeenOpen) return BannerOutcome::None;
    return answerLeftPage ? BannerOutcome::LeftPage : BannerOutcome::Stayed;
}

namespace {

constexpr SettleLimits kLimits;

// The loading's part of the time-out, and the capture's.
constexpr int kStallShareOfTimeout = 3;
constexpr Millis kStallLimit{15000};
constexpr int kCaptureShareOfTimeout = 3;

// Whether the consent check still holds the page back: it waits for what it
// found, and for its first looks, from the start of the settling.
bool consentStillWaits(ConsentCheck state, Millis now) {
    switch (state) {
        case ConsentCheck::Looking:
        case ConsentCheck::Hinted:
        case ConsentCheck::PlatformFound:
        case ConsentCheck::BannerOpen:
            return now < kLimits.consentWait;
        default:
            return false;
    }
}

}  // namespace

SettleAnswer decideSettle(const SettleFacts& facts) {
    const Millis now = facts.now;
    const Millis soon = now + kLimits.lookInterval;
    const Millis stretch = std::clamp(facts.lateness, Millis(0), kLimits.mostStretch);
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
    const auto quietAfter = [&](Millis last, Millis quiet) { return last + quiet + stretch; };

    holdUntil(
        facts.requestsInFlight ? soon : quietAfter(facts.lastNetworkActivity, kLimits.networkQuiet),
        Motion::Network);
    holdUntil(
        facts.workersAwaited > 0 ? soon : quietAfter(facts.lastWorkerMessage, kLimits.networkQuiet),
        Motion::Workers);
    holdUntil(quietAfter(facts.lastDocumentChange, kLimits.documentQuiet), Motion::Document);
    holdUntil(quietAfter(facts.lastFrameAsked, kLimits.framesQuiet), Motion::AnimationFrames);
    if (facts.animationsRunning > 0) holdUntil(soon, Motion::Animations);
    for (const PendingTimer& timer : facts.timers) {
        // An overdue timer waits for a busy page: its run is what counts.
        const Millis ran = std::max(timer.due, soon);
        if (!timer.interval && timer.rearms < kLimits.endlessRearms) {
            if (timer.due <= facts.budgetEnd) holdUntil(ran, Motion::Timers);
        } else if (timer.every < kLimits.slowRepeat && timer.changedSinceRun) {
            // Still building the picture, whenever its next run is.
            holdUntil(ran, Motion::EndlessTimers);
        }
    }
    if (facts.videosLoading > 0) holdUntil(soon, Motion::Videos);
    if (facts.refreshDue && *facts.refreshDue <= facts.budgetEnd) {
        holdUntil(std::max(*facts.refreshDue, soon), Motion::Refresh);
    }
    if (consentStillWaits(facts.consent, now)) holdUntil(soon, Motion::ConsentBanner);

    if (!answer.moving.empty() && now < facts.budgetEnd) {
        std::ranges::sort(answer.moving);
        answer.verdict = SettleAnswer::Verdict::LookAgain;
        answer.lookAgainAt = std::min(std::max(stillAt, soon), facts.budgetEnd);
        return answer;
    }
    // Given up on: what a person would still see move, not a check that found
    // nothing yet.
    const bool bannerLeft =
        facts.consent == ConsentCheck::BannerOpen || facts.consent == ConsentCheck::NotClosed;
    std::erase(answer.moving, Motion::ConsentBanner);
    if (bannerLeft) note(Motion::ConsentBanner);
    std::ranges::sort(answer.moving);
    answer.verdict =
        answer.moving.empty() ? SettleAnswer::Verdict::Settled : SettleAnswer::Verdict::GiveUp;
    return answer;
}

std::vector<Motion> motionsToReport(const std::vector<Motion>& givenUp, bool pictureChanged) {
    std::vector<Motion> reported;
    if (!pictureChanged) return reported;
    std::ranges::copy_if(givenUp, std::back_inserter(reported),
                         [](Motion motion) { return motion != Motion::ConsentBanner; });
    return reported;
}

bool shouldScrollThrough(const LazyContentFacts& facts) {
    if (!facts.fullPage || facts.pageHeight <= facts.viewportHeight) return false;
    return facts.lazyElements > 0 || facts.observedElements > 0 || facts.scrollListeners > 0;
}

Millis stallCutOff(Millis timeout) { return std::min(timeout / kStallShareOfTimeout, kStallLimit); }

Millis settleBudget(Millis asked, Millis timeLeft, Millis timeout) {
    return std::clamp(timeLeft - timeout / kCaptureShareOfTimeout, Millis(0), asked);
}

}  // namespace orlenda::iecapt
