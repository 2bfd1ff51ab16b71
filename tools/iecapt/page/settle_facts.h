#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "page/settle_decision.h"

namespace orlenda::iecapt {

// What one look at the page found (the settle probe's answer), as facts.
// Every value comes from the page: one that is missing, null, not a number or
// out of all reason reads as unknown, and unknown holds nothing back; text is
// cut short. No page can end a capture by what it answers.
struct PageLook {
    bool toolWorld = false;  // the probe ran in the tool's world of the document
    bool shown = true;       // its window has a size: not a hidden or one-pixel frame
    // With the page's own times in the tool's: network facts and the budget
    // are the caller's to fill in.
    SettleFacts facts;
    LazyContentFacts lazy;    // the caller says whether the whole page is wanted
    std::string consentName;  // the banner, as the consent rules name it
    std::string leftFor;      // where a click of the rules would have taken the page
};

PageLook readPageLook(const nlohmann::json& probe, Millis now);

// The page's facts with what a look at one of its frames found: whatever
// moves in a frame the picture shows holds the page as if it moved in the
// page itself. Hidden frames and frames not looked at add nothing; the
// consent check and the lazy content are the page's own.
void addFrameLook(SettleFacts& page, const PageLook& frame);

// What a picture of the whole page would lack (the picture check's answer),
// likewise untrusted: the width the page paints to, where it was looked for,
// and the hosts of the frames the browser leaves blank, each cut short.
struct PictureCheck {
    std::optional<double> paintedWidth;
    std::vector<std::string> blankFrames;
};
PictureCheck readPictureCheck(const nlohmann::json& answer);

// The last look at a consent banner ({"shown", "hidden"}), likewise untrusted.
BannerSight bannerSightOf(const nlohmann::json& answer);

}  // namespace orlenda::iecapt
