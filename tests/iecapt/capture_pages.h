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
//   /popup.html      the blocks, and two windows opened on load (the tall page
//                    and a blank one)
//   /missing.html    the blocks, sent with status 404
//   /gone.html       nothing, sent with status 500
//   /endless.html    the blocks, and an image that never comes
//   /smooth.html     scroll-behavior: smooth, a fixed navbar, a lazy image far down
//   /animated.html   a bar drawn frame by frame, a fade-in and a transition
//   /app.html        works 150 ms after loading, then fetches what it shows
//   /worker.html     the blocks, a worker, and a body nobody reads that never ends
//   /busy.html       the blocks, redrawn every frame for ever
//   /leave.html      moves on to an address that refuses the connection
//   /to-file         redirects to file:///etc/passwd
//   /login           asks for a login
//   /doc.pdf         a PDF document
//   /file.zip        a file to download
//   /never           never answers
//   /head-script.html    the blocks, under a style sheet and a script in the
//                    head from static.localhost, which never answers
//   /new-script-each-time.html  the blocks, under a script of its own that
//                    never answers, at another address on every load
//   /stripes-40000.html  40000 px of one-pixel red and blue stripes, a block on each join
//   /long-100000.html    100000 px high, a band just above 65500
//   /timer-chain.html    waits 800 ms, fetches its data, draws it 300 ms later
//   /clock.html      the blocks, a clock ticking every second, a timer due in 60 s
//   /rearming.html   the blocks, and a timer that sets itself again for ever
//   /onetrust.html, /cookiebot.html  the blocks under a consent banner built
//                    from that platform's public markup and script interface
//   /cookies.html    the blocks under a banner of no known platform
//   /reveal.html     4000 px high; a block far down shows once scrolled to, as a
//                    scroll listener of the page sees it come into view
//   /timers.html     draws kTimersBehaved once its timers behaved as the browser's own
//   On the banner pages, a choice draws kConsentChoice: green for "reject",
//   red for "accept".
//   /pages/NAME      the files of tests/iecapt/pages, each saying what it shows
//   /late/video.webm a green video: its headers at once, its data a second late
void serveCapturePages(TestHttpServer& server);

// The blocks page, to save as a local file.
std::string blocksPage();

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

inline constexpr Block kNavbar = {0, 0, 1024, 60, {255, 128, 0}};
inline constexpr Block kBelowNavbar = {300, 300, 50, 50, {255, 255, 255}};
inline constexpr Block kDrawnBar = {0, 0, 200, 300, {255, 0, 0}};  // by frames, bottom up
inline constexpr Block kFadedIn = {400, 100, 200, 150, {0, 0, 255}};
inline constexpr Block kTransitioned = {700, 500, 300, 200, {0, 160, 0}};
inline constexpr Block kFetchedData = {300, 400, 300, 200, {128, 0, 128}};
inline constexpr Block kJoinBlocks[] = {{100, 16300, 200, 168, {0, 255, 0}},
                                        {100, 32700, 200, 136, {255, 255, 0}}};
inline constexpr Block kBandAbove65500 = {0, 65300, 1024, 150, {0, 255, 255}};
inline constexpr Block kRevealed = {100, 3000, 200, 200, {200, 0, 200}};
inline constexpr Block kTimersBehaved = {600, 300, 100, 100, {0, 200, 0}};
inline constexpr Block kChainData = {300, 400, 300, 200, {0, 128, 128}};
inline constexpr Block kConsentBanner = {0, 568, 1024, 200, {255, 200, 0}};
inline constexpr Block kConsentChoice = {100, 300, 100, 100, {0, 200, 0}};
// What a page of tests/iecapt/pages draws once its script did what it should.
inline constexpr Block kDrawnByScript = {400, 100, 200, 150, {0, 160, 0}};
inline constexpr Block kLazyFrame = {400, 2200, 200, 150, {0, 160, 0}};
// The top left of late-video.html's video, away from its controls.
inline constexpr Block kVideoFrame = {0, 300, 60, 60, {0, 160, 0}};

}  // namespace orlenda::iecapt::testing
