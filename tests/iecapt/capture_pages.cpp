#include "capture_pages.h"

#include <string>

namespace orlenda::iecapt::testing {
namespace {

std::string cssColour(const std::array<int, 3>& colour) {
    return "rgb(" + std::to_string(colour[0]) + "," + std::to_string(colour[1]) + "," +
           std::to_string(colour[2]) + ")";
}

std::string blockDiv(const Block& block) {
    return "<div style=\"position:absolute;left:" + std::to_string(block.left) +
           "px;top:" + std::to_string(block.top) + "px;width:" + std::to_string(block.width) +
           "px;height:" + std::to_string(block.height) +
           "px;background:" + cssColour(block.colour) + "\"></div>\n";
}

std::string page(const std::string& head, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><style>html,body{margin:0;"
           "background:#fff}</style>" +
           head + "</head>\n<body>\n" + body + "</body></html>\n";
}

std::string blocks() {
    std::string divs;
    for (const Block& block : kBlocks) divs += blockDiv(block);
    return divs;
}

std::string tallPage(int height, const Block& band) {
    return page({}, "<div style=\"height:" + std::to_string(height) +
                        "px;background:linear-gradient(#fff,#eee)\"></div>\n" + blockDiv(band));
}

std::string square(const std::array<int, 3>& colour) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"200\" height=\"200\"><rect "
           "width=\"200\" height=\"200\" fill=\"" +
           cssColour(colour) + "\"/></svg>";
}

std::string imageAt(const Block& block, const std::string& attributes) {
    return "<img " + attributes + " width=\"200\" height=\"200\" style=\"position:absolute;left:" +
           std::to_string(block.left) + "px;top:" + std::to_string(block.top) + "px\">\n";
}

}  // namespace

void serveCapturePages(TestHttpServer& server) {
    server.serve("/blocks.html", {200, "text/html; charset=utf-8", page({}, blocks())});
    server.serve("/tall.html",
                 {200, "text/html; charset=utf-8", tallPage(kTallPageHeight, kTallPageFoot)});
    server.serve("/very-tall.html",
                 {200, "text/html; charset=utf-8", tallPage(20000, kVeryTallPageBand)});
    server.serve("/blue.svg", {200, "image/svg+xml", square(kObservedImage.colour)});
    server.serve("/green.svg", {200, "image/svg+xml", square(kLazyImage.colour)});
    // The observed image starts loading only once it is scrolled into view;
    // the native lazy one lies beyond the distance the browser loads ahead.
    server.serve("/lazy.html",
                 {200, "text/html; charset=utf-8",
                  page({}, "<div style=\"height:4900px\"></div>\n" +
                               imageAt(kObservedImage, "id=\"observed\" data-src=\"/blue.svg\"") +
                               imageAt(kLazyImage, "loading=\"lazy\" src=\"/green.svg\"") +
                               "<script>\n"
                               "new IntersectionObserver((entries, observer) => {\n"
                               "  for (const entry of entries) {\n"
                               "    if (!entry.isIntersecting) continue;\n"
                               "    entry.target.src = entry.target.dataset.src;\n"
                               "    observer.unobserve(entry.target);\n"
                               "  }\n"
                               "}).observe(document.getElementById('observed'));\n"
                               "</script>\n")});
    server.serve("/dialogs.html",
                 {200, "text/html; charset=utf-8",
                  page({}, blocks() + "<script>alert('hello'); confirm('sure?'); prompt('name?');\n"
                                      "window.onbeforeunload = () => 'stay';</script>\n")});
    server.serve("/missing.html", {404, "text/html; charset=utf-8", page({}, blocks())});
    server.serve("/gone.html", {500, "text/html; charset=utf-8", {}});
    server.serve("/hang", {200, "image/png", {}, true});
    server.serve("/endless.html",
                 {200, "text/html; charset=utf-8", page({}, "<img src=\"/hang\">")});
    server.serve("/scripts.html", {200, "text/html; charset=utf-8",
                                   page("<style>p{font:28px sans-serif;margin:12px 20px}</style>",
                                        "<p>Latin: The quick brown fox jumps — àéîõü ß</p>\n"
                                        "<p>Greek: Καλημέρα κόσμε</p>\n"
                                        "<p>Cyrillic: Съешь же ещё этих мягких булок</p>\n"
                                        "<p dir=\"rtl\">Arabic: مرحبا بالعالم</p>\n"
                                        "<p dir=\"rtl\">Hebrew: שלום עולם</p>\n"
                                        "<p>Chinese: 你好，世界。汉字</p>\n"
                                        "<p>Japanese: こんにちは、カタカナ、漢字</p>\n"
                                        "<p>Korean: 안녕하세요 세계</p>\n"
                                        "<p>Emoji: 😀 🎉 🚀 ❤️ 🌍</p>\n")});
}

}  // namespace orlenda::iecapt::testing
