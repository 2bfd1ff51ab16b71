#pragma once

#include <array>

#include "test_http_server.h"

namespace orlenda::iecapt::testing {

// The pages the capture tests and the bench load:
//   /blocks.html     coloured blocks at the places below, fits 1024x768
//   /tall.html       3000 px high, a magenta band at its foot
//   /very-tall.html  20000 px high, a cyan band just above 16384
//   /lazy.html       a lazy image and one loaded by an observer, far down
//   /dialogs.html    opens alert, confirm and prompt, then shows the blocks
//   /missing.html    the blocks, sent with status 404
//   /gone.html       nothing, sent with status 500
//   /endless.html    waits for an image that never comes
void serveCapturePages(TestHttpServer& server);

struct Block {
    int left, top, width, height;
    std::array<int, 3> colour;
};

inline constexpr std::array<Block, 3> kBlocks = {{
    {0, 0, 200, 150, {255, 0, 0}},
    {400, 100, 200, 150, {0, 255, 0}},
    {700, 500, 300, 200, {0, 0, 255}},
}};

inline constexpr int kTallPageHeight = 3000;
inline constexpr Block kTallPageFoot = {0, 2900, 1024, 100, {255, 0, 255}};
inline constexpr Block kVeryTallPageBand = {0, 16200, 1024, 150, {0, 255, 255}};
inline constexpr Block kObservedImage = {0, 2000, 200, 200, {0, 0, 255}};
inline constexpr Block kLazyImage = {0, 4200, 200, 200, {0, 255, 0}};

}  // namespace orlenda::iecapt::testing
