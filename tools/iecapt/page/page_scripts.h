#pragma once

#include <string>

namespace orlenda::iecapt {

// Runs in every document before the page's own scripts: notes when the
// document last changed, when the page last asked for an animation frame
// (how canvas charts and other scripted animations draw), the timers it has
// set and not seen fire, how many elements it watches for coming into view
// and how many scripts follow its scrolling, for the settle probe to read. The page's timers run as
// they would without it.
std::string changeWatchScript();

// The consent rules (the text of autoconsent's standalone script) as they run
// in every document after the change watch, named so that their own timers do
// not count as the page's.
std::string consentScript(const std::string& rules);

// Scrolls instantly, whatever the page's scroll-behavior, a screen at a time
// down to the limit so that content loaded on scrolling is asked for (when
// scrollThrough), then back to the top, checking it got there; then waits
// for web fonts. Gives up on all that after budgetMs. Resolves to scrollY.
std::string scrollScript(bool scrollThrough, int limit, int budgetMs);

// One look at whether the page still changes: {"domQuietMs", "framesQuietMs",
// "animating", "timers": [{"inMs", "repeating", "rearms"}], "consent":
// {"lifecycle", "looks", "cookieWords", "busy", "name"} (empty without the consent
// rules), "lazy", "observed", "scrollListeners", "height", "viewport"}. Animations that would end
// within budgetMs are moved to their end on the way, as a person who waited
// that long would see them; endless and longer ones are left running and not
// counted. A page that scrolled itself away from the top is scrolled back
// (when backToTop), and counts as animating.
std::string settleProbeScript(int budgetMs, bool backToTop);

}  // namespace orlenda::iecapt
