#include "page/page_scripts.h"

#include <nlohmann/json.hpp>
#include <random>
#include <string_view>

#include "page/script_texts.h"

namespace orlenda::iecapt {
namespace {

using nlohmann::json;
namespace texts = script_texts;

// The timers the watch keeps with their due time; the rest it only counts.
constexpr int kTimersKept = 100;
// The probe reports at most this many, the soonest due.
constexpr int kTimersReported = 50;
// The consent rules are in the middle of a look while one of their timers is
// due this soon: they wait a moment between the steps of some looks.
constexpr int kRulesTimerSoonMs = 50;

std::string called(std::string_view function, const json& parameters) {
    return "(" + std::string(function) + ")(" + parameters.dump() + ")";
}

}  // namespace

std::string newActivityChannel() {
    std::random_device random;
    std::uniform_int_distribution<unsigned long long> digits;
    return "orlenda-" + std::to_string(digits(random));
}

std::string activityWatchScript(const std::string& channel) {
    return called(texts::kActivityWatch, {{"channel", channel}, {"keep", kTimersKept}});
}

std::string toolWorldScript(const std::string& channel, const std::string& consentRules) {
    return called(texts::kToolWorld, {{"channel", channel}}) + ";\n" + consentRules;
}

std::string scrollScript(bool scrollThrough, int limit, int budgetMs) {
    return called(texts::kScrollThrough,
                  {{"scrollThrough", scrollThrough}, {"limit", limit}, {"budgetMs", budgetMs}});
}

std::string settleProbeScript(int budgetMs, bool backToTop) {
    return called(texts::kSettleProbe, {{"budgetMs", budgetMs},
                                        {"backToTop", backToTop},
                                        {"timersReported", kTimersReported},
                                        {"rulesTimerSoonMs", kRulesTimerSoonMs}});
}

std::string pictureCheckScript(int width, int sliver) {
    return called(texts::kPictureCheck, {{"width", width}, {"sliver", sliver}});
}

std::string consentBannerCheckScript(int timeoutMs) {
    return called(texts::kConsentBannerCheck, {{"timeoutMs", timeoutMs}});
}

}  // namespace orlenda::iecapt
