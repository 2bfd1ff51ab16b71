#include "capture_pages.h"

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

std::string blockDiv(const Block& block) {
    return "<div style=\"" + placed(block) + "width:" + std::to_string(block.width) +
           "px;height:" + std::to_string(block.height) +
           "px;background:" + cssColour(block.colour) + "\"></div>\n";
}

std::string page(const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><style>html,body{margin:0;"
           "background:#fff}</style></head>\n<body>\n" +
           body + "</body></html>\n";
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
    server.serve("/app-data.json",
                 {.contentType = "application/json",
                  .body = "{\"colour\":\"" + cssColour(kFetchedData.colour) + "\"}",
                  .delayMs = 200});
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
                             placed(kFetchedData) +
                             "margin:0;width:" + std::to_string(kFetchedData.width) +
                             "px;height:" + std::to_string(kFetchedData.height) +
                             "px;background:' + data.colour;\n"
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
    server.serve("/wide.html",
                 {.body = page("<div style=\"width:1600px;height:100px;background:#0a0\"></div>")});
}

std::string blocksPage() { return page(blocks()); }

}  // namespace orlenda::iecapt::testing
