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
    server.serve("/endless.html", {.body = page("<img src=\"/hang\">")});
}

}  // namespace orlenda::iecapt::testing
