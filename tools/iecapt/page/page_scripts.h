#pragma once

#include <string>

namespace orlenda::iecapt {

// The scripts the tool runs in a page (page/scripts/*.js), each called with
// its parameters as one JSON object.
//
// Only the activity watch runs in the page's own world, before the first
// script of each of its documents: it notes the page's timers, intervals,
// delayed and idle tasks, animation frames, observers, scroll listeners and
// workers, and answers the tool's world over an event named by the channel,
// which only the two know. The others run in the tool's world of the
// document, which shares its DOM and nothing else.

std::string activityWatchScript(const std::string& channel);

// The name of that event: new for every capture, so no page can know it.
std::string newActivityChannel();

// Sets up the tool's world of a document (notes of its changes, a heartbeat
// that shows how busy the page is, a guard against the consent rules leaving
// the page, the way to the activity watch), then runs the consent rules
// (autoconsent's standalone script) where given.
std::string toolWorldScript(const std::string& channel, const std::string& consentRules);

// Scrolls instantly, whatever the page's scroll-behavior, a screen at a time
// down to the limit so that content loaded on scrolling is asked for (when
// scrollThrough), then back to the top; then waits for web fonts. Gives up on
// all that after budgetMs. Resolves to scrollY.
std::string scrollScript(bool scrollThrough, int limit, int budgetMs);

// One look at whether a document of the page still changes: {"world",
// "shown", "domQuietMs", "framesQuietMs", "animating", "videosLoading",
// "timers": [{"inMs", "rearms", "everyMs", "interval", "changedSinceRun"}],
// "untrackedTimers", "untrackedDueInMs", "idleCallbacks", "workersAwaited",
// "workersQuietMs", "lateness", "consent": {"lifecycle", "looks",
// "cookieWords", "busy", "name"} (empty without the consent rules),
// "leftFor", "lazy", "observed", "scrollListeners", "height", "viewport"}.
// Finite animations that would end within budgetMs are moved to their end
// on the way; a page that scrolled itself away from the top is scrolled back
// (when backToTop, the whole page's look: otherwise videos count only in the
// window). Every value comes from the page and is read as untrusted.
std::string settleProbeScript(int budgetMs, bool backToTop);

// What a picture of the whole page would lack: {"width", "blankFrames"}. The
// width is how far to the right the page paints what a reader would miss if
// it were cut off at the given width, 0 where nothing stands beyond (not
// looked for when the width is 0); a box that runs past it by no more than
// the sliver counts as not. The blank frames are the hosts of the frames of
// other sites wholly outside the window, which the browser leaves undrawn.
std::string pictureCheckScript(int width, int sliver);

// Whether the banner the consent rules answered is still on screen; hides it
// where the rules name what to hide. Resolves to {"shown", "hidden"}.
std::string consentBannerCheckScript(int timeoutMs);

}  // namespace orlenda::iecapt
