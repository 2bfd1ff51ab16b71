#pragma once

#include <string_view>

// The scripts the tool runs in pages, as written in page/scripts/*.js; the
// build compiles them in (orlenda_embed_texts). Each is one function
// expression that page_scripts calls with its parameters.
namespace orlenda::iecapt::script_texts {

extern const std::string_view kActivityWatch;
extern const std::string_view kToolWorld;
extern const std::string_view kSettleProbe;
extern const std::string_view kScrollThrough;
extern const std::string_view kConsentBannerCheck;
extern const std::string_view kPictureCheck;

}  // namespace orlenda::iecapt::script_texts
