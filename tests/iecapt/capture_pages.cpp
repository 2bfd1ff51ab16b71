#include "capture_pages.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orlenda::iecapt::testing {
namespace {

std::string cssColour(const std::array<int, 3>& colour) {
    return "rgb(" + std::to_string(colour[0]) + "," + std::to_string(colour[1]) + "," +
           std::to_string(colour[2]) + ")";
}

std::string placed(const Block& block) {
    return "position:absolute;left:" + std::to_string(block.left) +
           "px;top:" + std::to_string(block.top) + "px;";
}

// Where the block goes and its size, as CSS a script can set.
std::string box(const Block& block) {
    return placed(block) + "width:" + std::to_string(block.width) +
           "px;height:" + std::to_string(block.height) + "px;";
}

// A page's data as its server sends it, a little later.
TestResponse colourData(const std::array<int, 3>& colour) {
    return {.contentType = "application/json",
            .body = "{\"colour\":\"" + cssColour(colour) + "\"}",
            .delayMs = 200};
}

std::string blockDiv(const Block& block) {
    return "<div style=\"" + box(block) + "background:" + cssColour(block.colour) + "\"></div>\n";
}

std::string page(const std::string& body, const std::string& head = "") {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><style>html,body{margin:0;"
           "background:#fff}</style>" +
           head + "</head>\n<body>\n" + body + "</body></html>\n";
}

std::string blocks() {
    std::string divs;
    for (const Block& block : kBlocks) divs += blockDiv(block);
    return divs;
}

std::string script(const std::string& code) { return "<script>" + code + "</script>\n"; }

// Moves a block's colour in by a CSS animation or transition of ms.
std::string animatedDiv(const Block& block, const std::string& style) {
    std::string div = blockDiv(block);
    div.insert(div.find("\"></div>"), ";" + style);
    return div;
}

// A canvas that draws its bar frame by frame over 800 ms, as charting
// libraries do.
std::string drawnBar() {
    return "<canvas id=\"bar\" width=\"" + std::to_string(kDrawnBar.width) + "\" height=\"" +
           std::to_string(kDrawnBar.height) + "\" style=\"" + placed(kDrawnBar) + "\"></canvas>\n" +
           script(
               "const bar = document.getElementById('bar').getContext('2d');\n"
               "let started;\n"
               "function draw(now) {\n"
               "  started ?\?= now;\n"  // escaped: not a trigraph
               "  const done = Math.min(1, (now - started) / 800);\n"
               "  bar.fillStyle = '" +
               cssColour(kDrawnBar.colour) +
               "';\n"
               "  bar.fillRect(0, 300 * (1 - done), 200, 300 * done);\n"
               "  if (done < 1) requestAnimationFrame(draw);\n"
               "}\n"
               "requestAnimationFrame(draw);");
}

std::string tallPage(int height, const Block& band) {
    return page("<div style=\"height:" + std::to_string(height) +
                "px;background:linear-gradient(#fff,#eee)\"></div>\n" + blockDiv(band));
}

TestResponse square(const std::array<int, 3>& colour) {
    return {.contentType = "image/svg+xml",
            .body =
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" height=\"200\"><rect "
                "width=\"200\" height=\"200\" fill=\"" +
                cssColour(colour) + "\"/></svg>"};
}

std::string imageAt(const Block& block, const std::string& attributes) {
    return "<img " + attributes + " width=\"200\" height=\"200\" style=\"" + placed(block) +
           "\">\n";
}

// The blocks under a fixed banner of the consent colour whose buttons hide
// it and draw the choice made; then the page's own script.
std::string bannerPage(const std::string& banner, const std::string& code) {
    return page(blocks() + "<div id=\"choice\" style=\"" + box(kConsentChoice) + "\"></div>\n" +
                banner +
                script("function choose(rejected, banner) {\n"
                       "  document.getElementById('choice').style.background = rejected ? '" +
                       cssColour(kConsentChoice.colour) +
                       "' : 'rgb(255,0,0)';\n"
                       "  document.getElementById(banner).style.display = 'none';\n"
                       "}\n" +
                       code));
}

std::string bannerStyle() {
    return "position:fixed;left:0;bottom:0;width:100%;height:" +
           std::to_string(kConsentBanner.height) +
           "px;background:" + cssColour(kConsentBanner.colour) + ";z-index:10";
}

}  // namespace

void serveCapturePages(TestHttpServer& server) {
    server.serve("/blocks.html", {.body = page(blocks())});
    server.serve("/tall.html", {.body = tallPage(kTallPageHeight, kTallPageFoot)});
    server.serve("/very-tall.html", {.body = tallPage(20000, kVeryTallPageBand)});
    server.serve("/blue.svg", square(kObservedImage.colour));
    server.serve("/green.svg", square(kLazyImage.colour));
    // The observed image starts loading only once it is scrolled into view;
    // the native lazy one lies beyond the distance the browser loads ahead.
    server.serve("/lazy.html",
                 {.body = page("<div style=\"height:4900px\"></div>\n" +
                               imageAt(kObservedImage, "id=\"observed\" data-src=\"/blue.svg\"") +
                               imageAt(kLazyImage, "loading=\"lazy\" src=\"/green.svg\"") +
                               "<script>new IntersectionObserver((entries, observer) => {\n"
                               "  for (const e of entries) if (e.isIntersecting) {\n"
                               "    e.target.src = e.target.dataset.src;\n"
                               "    observer.unobserve(e.target);\n"
                               "  }\n"
                               "}).observe(document.getElementById('observed'));"
                               "</script>\n")});
    server.serve(
        "/dialogs.html",
        {.body = page(blocks() + "<script>alert('hello'); confirm('sure?'); prompt('name?');\n"
                                 "window.onbeforeunload = () => 'stay';</script>\n")});
    // The headless shell lets a page open windows without a click.
    server.serve("/popup.html",
                 {.body = page(blocks() + script("window.onload = () => {\n"
                                                 "  window.open('/tall.html');\n"
                                                 "  window.open('', '_blank', 'popup');\n"
                                                 "};"))});
    server.serve("/missing.html", {.status = 404, .body = page(blocks())});
    server.serve("/gone.html", {.status = 500});
    // For looking at: every script the set-up installs fonts for.
    server.serve("/scripts.html",
                 {.body = page("<style>p{font:28px sans-serif;margin:12px 20px}</style>\n"
                               "<p>Latin: The quick brown fox jumps — àéîõü ß</p>\n"
                               "<p>Greek: Καλημέρα κόσμε</p>\n"
                               "<p>Cyrillic: Съешь же ещё этих мягких булок</p>\n"
                               "<p dir=\"rtl\">Arabic: مرحبا بالعالم</p>\n"
                               "<p dir=\"rtl\">Hebrew: שלום עולם</p>\n"
                               "<p>Chinese: 你好，世界。汉字</p>\n"
                               "<p>Japanese: こんにちは、カタカナ、漢字</p>\n"
                               "<p>Korean: 안녕하세요 세계</p>\n"
                               "<p>Emoji: 😀 🎉 🚀 ❤️ 🌍</p>\n")});
    server.serve("/hang", {.contentType = "image/png", .neverAnswers = true});
    server.serve("/endless.html", {.body = page(blocks() + "<img src=\"/hang\">")});
    server.serve("/never", {.neverAnswers = true});
    const std::string silentHost = "http://static.localhost:" + std::to_string(server.port());
    server.serve("/head-script.html",
                 {.body = page(blocks(), "<link rel=\"stylesheet\" href=\"" + silentHost +
                                             "/never?style\"><script src=\"" + silentHost +
                                             "/never?script\"></script>")});
    server.serve("/new-script-each-time.html",
                 {.body = page(script("document.write('<script src=\"/never?' + Math.random() + "
                                      "'\"><\\/script>');") +
                               blocks())});
    // Bootstrap's smooth scrolling: a capture taken before the page is back
    // at the top shows the navbar over the middle and misses the lazy image.
    server.serve("/smooth.html",
                 {.body = page("<style>html{scroll-behavior:smooth}</style>\n"
                               "<div style=\"height:4900px\"></div>\n" +
                               imageAt(kLazyImage, "loading=\"lazy\" src=\"/green.svg\"") +
                               "<div style=\"position:fixed;top:0;left:0;width:100%;height:" +
                               std::to_string(kNavbar.height) +
                               "px;background:" + cssColour(kNavbar.colour) + "\"></div>\n")});
    server.serve("/animated.html",
                 {.body = page("<style>@keyframes in{from{opacity:0}to{opacity:1}}</style>\n" +
                               drawnBar() + animatedDiv(kFadedIn, "animation:in 1s") +
                               animatedDiv(kTransitioned, "transition:width 1s;width:0") +
                               script("requestAnimationFrame(() => requestAnimationFrame(() => {"
                                      "document.querySelectorAll('div')[1].style.width = '" +
                                      std::to_string(kTransitioned.width) + "px'; }));"))});
    server.serve("/app-data.json", colourData(kFetchedData.colour));
    server.serve(
        "/app.html",
        {.body = page("<p id=\"app\">Loading…</p>\n" +
                      script("window.onload = () => setTimeout(() => {\n"
                             "  const until = performance.now() + 150;\n"
                             "  while (performance.now() < until) {}\n"
                             "  fetch('/app-data.json').then(r => r.json()).then(data => {\n"
                             "    const shown = document.getElementById('app');\n"
                             "    shown.textContent = '';\n"
                             "    shown.style.cssText = '" +
                             box(kFetchedData) +
                             "margin:0;background:' + data.colour;\n"
                             "  });\n"
                             "}, 0);"))});
    server.serve("/worker.js", {.contentType = "text/javascript", .body = "postMessage(1);"});
    server.serve("/held", {.contentType = "text/plain", .body = "part", .bodyNeverEnds = true});
    server.serve("/worker.html",
                 {.body = page(blocks() + script("new Worker('/worker.js');\n"
                                                 "fetch('/held').then(r => r.status);"))});
    server.serve("/busy.html",
                 {.body = page(blocks() + script("(function spin() {\n"
                                                 "  document.body.dataset.t = Date.now();\n"
                                                 "  requestAnimationFrame(spin);\n"
                                                 "})();"))});
    server.serve("/leave.html",
                 {.body = page(blocks() + script("setTimeout(() => { location.href = "
                                                 "'http://127.0.0.2:' + location.port + '/'; }, "
                                                 "100);"))});
    server.serve("/to-file", {.status = 302, .headers = "Location: file:///etc/passwd\r\n"});
    server.serve("/login", {.status = 401,
                            .body = page("<p>Log in</p>"),
                            .headers = "WWW-Authenticate: Basic realm=\"test\"\r\n"});
    server.serve("/doc.pdf",
                 {.contentType = "application/pdf",
                  .body = "%PDF-1.1\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
                          "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
                          "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 300 300]>>endobj\n"
                          "trailer<</Root 1 0 R>>\n%%EOF\n"});
    server.serve("/file.zip", {.contentType = "application/zip",
                               .body = std::string("PK\5\6") + std::string(18, '\0'),
                               .headers = "Content-Disposition: attachment\r\n"});
    std::string joinBlocks;
    for (const Block& block : kJoinBlocks) joinBlocks += blockDiv(block);
    server.serve("/stripes-40000.html",
                 {.body = page("<div style=\"height:40000px;background:repeating-linear-gradient("
                               "#f00 0 1px,#00f 1px 2px)\"></div>\n" +
                               joinBlocks)});
    server.serve("/long-100000.html", {.body = tallPage(100000, kBandAbove65500)});
    server.serve("/chain-data.json", colourData(kChainData.colour));
    server.serve("/timer-chain.html",
                 {.body = page("<p>Loading…</p><div id=\"data\"></div>\n" +
                               script("setTimeout(() => fetch('/chain-data.json')\n"
                                      "  .then(r => r.json())\n"
                                      "  .then(data => setTimeout(() => {\n"
                                      "    document.getElementById('data').style.cssText = '" +
                                      box(kChainData) +
                                      "background:' + data.colour;\n"
                                      "  }, 300)), 800);"))});
    // How reveal effects work: a listener on the window's scrolling.
    server.serve("/reveal.html",
                 {.body = page("<div style=\"height:4000px\"></div>\n<div id=\"reveal\" style=\"" +
                               box(kRevealed) + "opacity:0;background:" +
                               cssColour(kRevealed.colour) + "\"></div>\n" +
                               script("window.addEventListener('scroll', () => {\n"
                                      "  const shown = document.getElementById('reveal');\n"
                                      "  if (shown.getBoundingClientRect().top < innerHeight)\n"
                                      "    shown.style.opacity = 1;\n"
                                      "});"))});
    // What pages rely on: extra arguments, this, ids, clearing either kind,
    // code in a string.
    server.serve(
        "/timers.html",
        {.body = page(
             "<div id=\"verdict\"></div>\n" +
             script(
                 "const held = [];\n"
                 "setTimeout((a, b) => held.push(a + b === 3), 10, 1, 2);\n"
                 "setTimeout(function () { held.push(this === window); }, 10);\n"
                 "clearTimeout(setTimeout(() => held.push(false), 20));\n"
                 "const first = setTimeout(() => {}, 0), second = window.setTimeout(() => {}, 0);\n"
                 "held.push(Number.isInteger(first) && first > 0 && second !== first);\n"
                 "let ticks = 0;\n"
                 "const ticking = setInterval(() => { if (++ticks === 2) clearTimeout(ticking); }, "
                 "10);\n"
                 "setTimeout('window.fromText = true', 10);\n"
                 "setTimeout(() => {\n"
                 "  const behaved = held.length === 3 && held.every(Boolean) && ticks === 2 &&\n"
                 "                  window.fromText === true;\n"
                 "  document.getElementById('verdict').style.cssText = '" +
                 box(kTimersBehaved) + "background:' + (behaved ? '" +
                 cssColour(kTimersBehaved.colour) +
                 "' : 'red');\n"
                 "}, 300);"))});
    server.serve(
        "/clock.html",
        {.body = page(blocks() + "<p id=\"clock\"></p>\n" +
                      script("setInterval(() => {\n"
                             "  document.getElementById('clock').textContent =\n"
                             "    new Date().toLocaleTimeString();\n"
                             "}, 1000);\n"
                             "setTimeout(() => alert('Your session ends soon'), 60000);"))});
    server.serve("/rearming.html", {.body = page(blocks() + script("let polls = 0;\n"
                                                                   "(function poll() {\n"
                                                                   "  ++polls;\n"
                                                                   "  setTimeout(poll, 200);\n"
                                                                   "})();"))});
    // OneTrust's banner as its script leaves it in the page.
    server.serve(
        "/onetrust.html",
        {.body = bannerPage(
             "<div id=\"onetrust-consent-sdk\"><div id=\"onetrust-banner-sdk\" "
             "class=\"otFlat\" role=\"region\" aria-label=\"Cookie banner\" style=\"" +
                 bannerStyle() +
                 "\"><div id=\"onetrust-policy-text\">We use cookies to give you the best "
                 "experience.</div><div id=\"onetrust-button-group\">"
                 "<button id=\"onetrust-reject-all-handler\" "
                 "onclick=\"choose(true, 'onetrust-banner-sdk')\">Reject All</button>"
                 "<button id=\"onetrust-accept-btn-handler\" "
                 "onclick=\"choose(false, 'onetrust-banner-sdk')\">Accept All Cookies</button>"
                 "</div></div></div>\n",
             "window.OnetrustActiveGroups = ',C0001,';")});
    // Cookiebot's dialog and the window.Cookiebot object its script offers.
    server.serve(
        "/cookiebot.html",
        {.body = bannerPage(
             "<div id=\"CybotCookiebotDialog\" name=\"CybotCookiebotDialog\" role=\"dialog\" "
             "style=\"" +
                 bannerStyle() +
                 "\"><div id=\"CybotCookiebotDialogBodyContentText\">This website uses "
                 "cookies.</div>"
                 "<button id=\"CybotCookiebotDialogBodyLevelButtonLevelOptinDeclineAll\" "
                 "onclick=\"decline()\">Deny</button>"
                 "<button id=\"CybotCookiebotDialogBodyLevelButtonLevelOptinAllowAll\" "
                 "onclick=\"choose(false, 'CybotCookiebotDialog')\">Allow all</button>"
                 "</div>\n",
             "window.Cookiebot = { hasResponse: false, declined: false, consented: false,\n"
             "  dialog: { visible: true },\n"
             "  withdraw() { decline(); }, hide() { decline(); } };\n"
             "function decline() {\n"
             "  Object.assign(Cookiebot, { hasResponse: true, declined: true });\n"
             "  Cookiebot.dialog.visible = false;\n"
             "  choose(true, 'CybotCookiebotDialog');\n"
             "}")});
    server.serve("/cookies.html",
                 {.body = bannerPage(
                      "<div id=\"cookie-notice\" role=\"dialog\" style=\"" + bannerStyle() +
                          "\"><p>We use cookies to improve your experience on our site and to "
                          "show you personalised advertising. You can accept all cookies or "
                          "reject those that are not necessary.</p>"
                          "<button onclick=\"choose(true, 'cookie-notice')\">Reject all</button>"
                          "<button onclick=\"choose(false, 'cookie-notice')\">Accept all</button>"
                          "</div>\n",
                      "")});
    server.serve("/wide.html",
                 {.body = page("<div style=\"width:1600px;height:100px;background:#0a0\"></div>")});
    // The pages kept as files of their own.
    for (const auto& entry : std::filesystem::directory_iterator(IECAPT_TEST_PAGES)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::string extension = entry.path().extension();
        server.serve("/pages/" + entry.path().filename().string(),
                     {.contentType = extension == ".js"     ? "text/javascript"
                                     : extension == ".webm" ? "video/webm"
                                                            : "text/html; charset=utf-8",
                      .body = {std::istreambuf_iterator<char>(file), {}}});
    }
    std::ifstream video(std::filesystem::path(IECAPT_TEST_PAGES) / "late-video.webm",
                        std::ios::binary);
    server.serve("/late/video.webm", {.contentType = "video/webm",
                                      .body = {std::istreambuf_iterator<char>(video), {}},
                                      .delayMs = 1000,
                                      .headersFirst = true});
}

std::string blocksPage() { return page(blocks()); }

}  // namespace orlenda::iecapt::testing
