#include "page/settle_facts.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/message_text.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;

// Beyond any page's life: a "quiet for" this long is quiet, a timer due this
// far off is due after any budget.
constexpr double kLongest = 1e9;
constexpr std::size_t kHostsKept = 20;

std::optional<double> numberAt(const json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) return std::nullopt;
    const double value = found->get<double>();
    if (!std::isfinite(value)) return std::nullopt;
    return std::clamp(value, -kLongest, kLongest);
}

Millis millisAt(const json& object, const char* key, double unknown) {
    return Millis(std::llround(numberAt(object, key).value_or(unknown)));
}

int countAt(const json& object, const char* key) {
    return static_cast<int>(std::clamp(numberAt(object, key).value_or(0), 0.0, 1e6));
}

bool flagAt(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_boolean() && found->get<bool>();
}

std::string textAt(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

const json& nothing() {
    static const json kNothing = json::object();
    return kNothing;
}

const json& objectAt(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_object() ? *found : nothing();
}

}  // namespace

PageLook readPageLook(const json& probe, Millis now) {
    const json& answer = probe.is_object() ? probe : nothing();
    // When each kind of activity was last seen, from how long it has been
    // quiet; a page cannot have been quiet for less than no time.
    const auto lastSeen = [&](const char* quietFor) {
        const Millis quiet = millisAt(answer, quietFor, kLongest);
        return now - (quiet < Millis(0) ? Millis(std::llround(kLongest)) : quiet);
    };
    PageLook look;
    look.toolWorld = flagAt(answer, "world");
    const auto shown = answer.find("shown");
    look.shown = shown == answer.end() || !shown->is_boolean() || shown->get<bool>();
    SettleFacts& facts = look.facts;
    facts.now = now;
    facts.lastDocumentChange = lastSeen("domQuietMs");
    facts.lastFrameAsked = lastSeen("framesQuietMs");
    facts.lastWorkerMessage = lastSeen("workersQuietMs");
    facts.animationsRunning = countAt(answer, "animating");
    facts.workersAwaited = countAt(answer, "workersAwaited");
    facts.lateness = std::max(Millis(0), millisAt(answer, "lateness", 0));
    if (const auto timers = answer.find("timers"); timers != answer.end() && timers->is_array()) {
        for (const json& timer : *timers) {
            if (!timer.is_object() || !numberAt(timer, "inMs")) continue;
            // Unknown, a timer's runs count as changing the document: it is waited for.
            const auto changed = timer.find("changedSinceRun");
            facts.timers.push_back({.due = now + millisAt(timer, "inMs", kLongest),
                                    .rearms = countAt(timer, "rearms"),
                                    .interval = flagAt(timer, "interval"),
                                    .every = std::max(Millis(0), millisAt(timer, "everyMs", 0)),
                                    .changedSinceRun = changed == timer.end() ||
                                                       !changed->is_boolean() ||
                                                       changed->get<bool>()});
        }
    }
    // The timers past those the watch keeps, as one due when the last of them is.
    if (countAt(answer, "untrackedTimers") > 0) {
        facts.timers.push_back({.due = now + millisAt(answer, "untrackedDueInMs", kLongest)});
    }
    if (countAt(answer, "idleCallbacks") > 0) facts.timers.push_back({.due = now});
    facts.videosLoading = countAt(answer, "videosLoading");
    const json& consent = objectAt(answer, "consent");
    const std::string lifecycle = textAt(consent, "lifecycle");
    facts.consent = consentCheckOf({.lifecycle = lifecycle,
                                    .looks = countAt(consent, "looks"),
                                    .cookieWords = flagAt(consent, "cookieWords"),
                                    .busy = flagAt(consent, "busy")});
    look.consentName = shortPageText(textAt(consent, "name"));
    look.leftFor = shortPageText(textAt(answer, "leftFor"));
    look.lazy = {.pageHeight = countAt(answer, "height"),
                 .viewportHeight = countAt(answer, "viewport"),
                 .lazyElements = countAt(answer, "lazy"),
                 .observedElements = countAt(answer, "observed"),
                 .scrollListeners = countAt(answer, "scrollListeners")};
    return look;
}

void addFrameLook(SettleFacts& page, const PageLook& frame) {
    if (!frame.toolWorld || !frame.shown) return;
    const SettleFacts& seen = frame.facts;
    page.lastDocumentChange = std::max(page.lastDocumentChange, seen.lastDocumentChange);
    page.lastFrameAsked = std::max(page.lastFrameAsked, seen.lastFrameAsked);
    page.lastWorkerMessage = std::max(page.lastWorkerMessage, seen.lastWorkerMessage);
    page.lateness = std::max(page.lateness, seen.lateness);
    page.animationsRunning += seen.animationsRunning;
    page.workersAwaited += seen.workersAwaited;
    page.videosLoading += seen.videosLoading;
    page.timers.insert(page.timers.end(), seen.timers.begin(), seen.timers.end());
}

PictureCheck readPictureCheck(const json& answer) {
    const json& seen = answer.is_object() ? answer : nothing();
    PictureCheck check;
    if (const auto width = numberAt(seen, "width"); width && *width >= 0)
        check.paintedWidth = *width;
    if (const auto frames = seen.find("blankFrames"); frames != seen.end() && frames->is_array()) {
        for (const json& host : *frames) {
            // Enough to say what is missing.
            if (host.is_string() && check.blankFrames.size() < kHostsKept) {
                check.blankFrames.push_back(shortPageText(host.get<std::string>()));
            }
        }
    }
    return check;
}

BannerSight bannerSightOf(const json& answer) {
    const json& seen = answer.is_object() ? answer : nothing();
    const auto shown = seen.find("shown");
    const auto hidden = seen.find("hidden");
    if (shown == seen.end() || hidden == seen.end() || !shown->is_boolean() ||
        !hidden->is_boolean()) {
        return BannerSight::Unknown;
    }
    if (hidden->get<bool>()) return BannerSight::Hidden;
    return shown->get<bool>() ? BannerSight::Shown : BannerSight::Gone;
}

}  // namespace orlenda::iecapt
