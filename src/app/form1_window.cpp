#include "app/form1_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "convert/convert_handlers.h"
#include "folder/folder_handlers.h"
#include "form/form1_layout.h"
#include "platform/qt/mouse_move_forwarder.h"
#include "platform/qt/native_end.h"
#include "platform/qt/site_list_view.h"
#include "platform/qt/text_progress_bar.h"
#include "sitelist/list_import.h"
#include "sitelist/sitelist_handlers.h"
#include "startup/pointer_feedback.h"
#include "startup/startup.h"

namespace orlenda {
namespace {

using platform::TwipsToPixels;

constexpr char kListToolTip[] =
    "Double-click item to remove it. Move | line to right and out of window to reveal full "
    "names.";

// Logical pixels: Qt scales them to the screen, so the twips hold at any DPI.
QRect PixelRectOf(std::string_view name) {
    const ControlPlacement& placement = PlacementOf(name);
    return {TwipsToPixels(placement.left), TwipsToPixels(placement.top),
            TwipsToPixels(placement.width), TwipsToPixels(placement.height)};
}

QFont ArialBold(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    return font;
}

void PaintWhite(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

}  // namespace

Form1Window::Form1Window() : Form1Window(m_localClock) {}

Form1Window::Form1Window(platform::Clock& clock)
    : Frame1(new QGroupBox(this)),
      Text1(new QLineEdit(Frame1)),
      PushButton8(new QPushButton(Frame1)),
      ListView1(new platform::SiteListView(this)),
      ProgressBar1(new platform::TextProgressBar(this)),
      PushButton1(new QPushButton(this)),
      PushButton6(new QPushButton(this)),
      PushButton7(new QPushButton(this)),
      PushButton2(new QPushButton(this)),
      PushButton3(new QPushButton(this)),
      m_me(*this),
      m_siteList(m_listModel, *ListView1),
      m_progressBar(*ProgressBar1),
      m_folderBox(*Text1),
      m_dialogs(*this),
      m_commonDialog(*this),
      m_form{.Me = m_me,
             .ListView1 = m_siteList,
             .ProgressBar1 = m_progressBar,
             .Text1 = m_folderBox,
             .dialogs = m_dialogs,
             .events = m_events,
             .files = m_files,
             .CommonDialog1 = m_commonDialog,
             .listFiles = m_listFiles,
             .processes = m_processes,
             .sleeper = m_sleeper,
             .settings = m_settings,
             .folderBrowser = m_folderBrowser,
             .SkinFramework1 = m_skin,
             .desktop = m_desktop,
             .clock = clock} {
    setUpWindow();
    setUpControls();
    placeControls();
    setKeyboardOrder();
    connectHandlers();
    forwardMouseMoves();
}

void Form1Window::setUpWindow() {
    setWindowTitle(QStringLiteral("Form1"));
    // Skins address the window and its controls by these names.
    setObjectName(QStringLiteral("Form1"));
    // A fixed single border: no maximize button, no resizing.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));
    setFont(ArialBold(9));
    PaintWhite(*this);
}

void Form1Window::setUpControls() {
    Frame1->setTitle(QStringLiteral("Save JPG File(s) To This Folder"));
    PaintWhite(*Frame1);

    ListView1->setModel(&m_listModel);
    ListView1->setFont(ArialBold(9));
    ListView1->setToolTip(QString::fromUtf8(kListToolTip));

    ProgressBar1->setFont(ArialBold(9));
    PaintWhite(*ProgressBar1);
    m_progressBar.setText(kProgressBarRestText);
    m_progressBar.setValue(0);

    const std::pair<QPushButton*, const char*> buttons[] = {
        {PushButton1, "Add Single Web Site URL"},
        {PushButton6, "Load List Of Sites From Text File"},
        {PushButton7, "Clear List"},
        {PushButton2, "Start Saving Web Sites As JPG"},
        {PushButton3, "Load Sample/Example Files"},
        {PushButton8, "..."},
    };
    for (const auto& [button, caption] : buttons) {
        button->setText(QString::fromUtf8(caption));
        button->setFont(ArialBold(11.25));
        button->setAutoDefault(false);
        PaintWhite(*button);
    }
}

void Form1Window::placeControls() {
    const std::pair<QWidget*, std::string_view> controls[] = {
        {Frame1, "Frame1"},
        {Text1, "Text1"},
        {PushButton8, "PushButton8"},
        {ListView1, "ListView1"},
        {ProgressBar1, "ProgressBar1"},
        {PushButton1, "PushButton1"},
        {PushButton6, "PushButton6"},
        {PushButton7, "PushButton7"},
        {PushButton2, "PushButton2"},
        {PushButton3, "PushButton3"},
    };
    // The layout's order is the window's order of its controls.
    std::vector<QWidget*> order;
    for (const auto& [widget, name] : controls) {
        widget->setGeometry(PixelRectOf(name));
        widget->setObjectName(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        order.push_back(widget);
    }
    m_me.setControls(std::move(order));
}

void Form1Window::setKeyboardOrder() {
    // "Load Sample/Example Files" comes last although it stands beside "Clear List".
    ProgressBar1->setFocusPolicy(Qt::NoFocus);
    Frame1->setFocusPolicy(Qt::NoFocus);
    QWidget* const order[] = {ListView1,   PushButton1, PushButton6, PushButton7,
                              PushButton2, Text1,       PushButton8, PushButton3};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget::setTabOrder(order[i], order[i + 1]);
    }
}

void Form1Window::connectHandlers() {
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(m_form); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(m_form); });
    connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(m_form); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(m_form); });
    connect(PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(m_form); });
    connect(PushButton8, &QPushButton::clicked, this, [this] { PushButton8_Click(m_form); });
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(m_form); });
    connect(ListView1, &platform::SiteListView::doubleClickedAnywhere, this,
            [this] { ListView1_DblClick(m_form); });
    connect(ListView1, &platform::SiteListView::keyDown, this,
            [this](int keyCode) { ListView1_KeyDown(m_form, keyCode); });
}

void Form1Window::forwardMouseMoves() {
    const std::pair<QWidget*, void (*)(Form1&)> controls[] = {
        {PushButton1, PushButton1_MouseMove},
        {PushButton2, PushButton2_MouseMove},
        {PushButton3, PushButton3_MouseMove},
        {PushButton6, PushButton6_MouseMove},
        {PushButton7, PushButton7_MouseMove},
        {PushButton8, PushButton8_MouseMove},
        {this, Form_MouseMove},
        {Frame1, Frame1_MouseMove},
    };
    for (const auto& [widget, handler] : controls) {
        auto* forwarder =
            new platform::MouseMoveForwarder([this, handler = handler] { handler(m_form); }, this);
        forwarder->watch(*widget);
    }
    // The list is made of several widgets: its frame, rows, header and scroll bars.
    auto* overList =
        new platform::MouseMoveForwarder([this] { ListView1_MouseMove(m_form); }, this);
    overList->watch(*ListView1);
    for (QWidget* part : ListView1->findChildren<QWidget*>()) overList->watch(*part);
}

void Form1Window::centerOnScreen() {
    const QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!target) return;
    setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), target->availableGeometry()));
}

void Form1Window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        ListView1->setFocus(Qt::OtherFocusReason);
    }
}

void Form1Window::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    endAsClosed();
}

bool Form1Window::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    // Handled at once: the system may end the process as soon as the event
    // returns, and a window destroyed gets no close. Native events arrive
    // while the native window is still being made: internalWinId() is 0
    // then, where winId() would start making it again from inside its own
    // making.
    if (platform::EndsWithoutCloseRequest(eventType, message, internalWinId())) {
        endAsClosed();
    }
    return QWidget::nativeEvent(eventType, message, result);
}

void Form1Window::endAsClosed(int signal) {
    // A run stopped by the close leaves its list of the rows not saved first.
    platform::ProgramEnd end = LeaveRetryListOfStoppedRun(m_form);
    end.signal = signal;
    Form_Unload(m_form, end);
}

}  // namespace orlenda
