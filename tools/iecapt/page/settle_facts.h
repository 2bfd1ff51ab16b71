#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "page/settle_decision.h"

namespace orlenda::iecapt {

// What one look at the page found (the settle probe's answer), as facts.
// Every value comes from the page: one that is missing, null, not a number or
// out of all reason reads as unknown, and unknown holds nothing back; text is
// cut short. No page can end a capture by what it answers.
struct PageLook {
    bool toolWorld = false;  // the probe ran in the tool's world of the page
    // With the page's own times in the tool's: network facts and the budget
    // are the caller's to fill in.
    SettleFacts facts;
    LazyContentFacts lazy;    // the caller says whether the whole page is wanted
    std::string consentName;  // the banner, as the consent rules name it
    std::string leftFor;      // where a click of the rules would have taken the page
};

PageLook readPageLook(const nlohmann::json& probe, Millis now);

// The last look at a consent banner ({"shown", "hidden"}), likewise untrusted.
BannerSight bannerSightOf(const nlohmann::json& answer);

}  // namespace orlenda::iecapt
