// Asks a top-level window, found by its title, to close, as a window manager
// does when the user clicks its close button: a WM_DELETE_WINDOW message.
//   close_window TITLE
// Exit status 0 when asked, 2 when no window has that title yet, 1 on error.
#include <xcb/xcb.h>

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* x, std::string_view name) {
    const ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            x, xcb_intern_atom(x, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr),
        &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::string Title(xcb_connection_t* x, xcb_window_t window) {
    const ReplyPtr<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            x, xcb_get_property(x, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr),
        &std::free);
    if (!reply) return {};
    return {static_cast<const char*>(xcb_get_property_value(reply.get())),
            static_cast<std::size_t>(xcb_get_property_value_length(reply.get()))};
}

bool Mapped(xcb_connection_t* x, xcb_window_t window) {
    const ReplyPtr<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, window), nullptr),
        &std::free);
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close_window TITLE\n");
        return 1;
    }
    const std::string_view wanted = argv[1];
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "close_window: no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const ReplyPtr<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr), &std::free);
    if (!tree) return 1;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (!Mapped(x, children[i]) || Title(x, children[i]) != wanted) continue;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = children[i];
        message.type = Atom(x, "WM_PROTOCOLS");
        message.data.data32[0] = Atom(x, "WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        // Checked: the round trip makes sure the server took the message
        // before this client goes.
        const ReplyPtr<xcb_generic_error_t> error(
            xcb_request_check(x, xcb_send_event_checked(x, 0, children[i], XCB_EVENT_MASK_NO_EVENT,
                                                        reinterpret_cast<const char*>(&message))),
            &std::free);
        xcb_disconnect(x);
        return error ? 1 : 0;
    }
    xcb_disconnect(x);
    return 2;
}
