#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "picture/image_format.h"

namespace orlenda::iecapt {

// A band of the page, taken as one picture.
struct ImagePart {
    int top;
    int height;
    bool operator==(const ImagePart&) const = default;
};

// The largest picture a browser takes exactly in one shot: no taller than
// maxSide and of no more than maxPixels.
struct ShotLimit {
    int maxSide;
    long long maxPixels;
};

// The largest picture the browser that reports this user agent takes
// exactly in one shot: for the Chromium measured here, a whole page up to
// the tallest image; for any other, the 16,384 px every Chromium takes.
ShotLimit singleShotLimit(std::string_view userAgent);

// The bands a picture of width x height is taken in, top to bottom: as few as
// the limit allows, each as tall as it allows.
std::vector<ImagePart> planParts(int width, int height, ShotLimit limit);

// What the picture is asked to be, as the command line says.
struct PictureRequest {
    int width;
    int viewportHeight;
    bool fullPage;
    int maxHeight;
    ImageFormat format;
};

// The page's content as the browser measures it, in CSS pixels, which may
// have fractions. Only a full-page picture looks at it.
struct ContentSize {
    double width = 0;
    double height = 0;
};

// How the picture is taken: one shot the browser encodes in the picture's
// format, or lossless PNG parts joined into it.
struct PicturePlan {
    int height;
    std::vector<ImagePart> parts;       // top to bottom; one for a single shot
    ImageFormat shotFormat;             // what the browser is asked for
    std::vector<std::string> warnings;  // what the picture leaves out of the page
    bool joined() const { return parts.size() > 1; }
};

// The one height rule, for the picture and for the scroll that loads the page
// down to it: --max-height, within the format's limit.
int heightLimit(const PictureRequest& request);

// The tallest picture the request can give, whatever the page: what the
// capture's time and memory are priced by.
int tallestPicture(const PictureRequest& request);

// The whole page (or the window), no taller than heightLimit, with a warning for each side it
// leaves out. WebP, which the join cannot write, is always one shot.
PicturePlan planPicture(const PictureRequest& request, ContentSize content, ShotLimit shotLimit);

}  // namespace orlenda::iecapt
