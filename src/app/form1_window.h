#pragma once

#include <QWidget>

#include "app/native_services.h"
#include "form/form1.h"
#include "platform/qt/qt_common_dialog.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_desktop.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_folder_browser.h"
#include "platform/qt/qt_settings_store.h"
#include "platform/qt/qt_sleeper.h"
#include "platform/qt/site_list_model.h"
#include "platform/qt/style_sheet_skin.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace orlenda {

namespace platform {
class SiteListView;
class TextProgressBar;
}  // namespace platform

// The main window: lays out the controls and forwards their events to the
// handlers. It holds no behaviour of its own.
class Form1Window final : public QWidget {
    Q_OBJECT

public:
    Form1Window();
    // With the given time of day, which decides the rare visit to the home page.
    explicit Form1Window(platform::Clock& clock);

    Form1& form() { return m_form; }
    // Puts the window in the middle of the screen it will appear on.
    void centerOnScreen();
    // Ends the program as closing the window does: a run stopped so leaves
    // its list of the rows not saved first (on standard error, with a
    // failure, when no folder takes it). Also what a request to end from
    // outside, the session's end or the window destroyed under the program
    // leads to; a request by a signal ends the program by that signal.
    void endAsClosed(int signal = 0);

    // The controls, named as the handlers name them; the window owns them.
    QGroupBox* const Frame1;
    QLineEdit* const Text1;
    QPushButton* const PushButton8;
    platform::SiteListView* const ListView1;
    platform::TextProgressBar* const ProgressBar1;
    QPushButton* const PushButton1;
    QPushButton* const PushButton6;
    QPushButton* const PushButton7;
    QPushButton* const PushButton2;
    QPushButton* const PushButton3;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void setUpWindow();
    void setUpControls();
    void placeControls();
    void setKeyboardOrder();
    void connectHandlers();
    void forwardMouseMoves();

    platform::SiteListModel m_listModel;
    platform::QtMainWindow m_me;
    platform::QtSiteList m_siteList;
    platform::QtProgressBar m_progressBar;
    platform::QtTextBox m_folderBox;
    platform::QtDialogs m_dialogs;
    platform::QtEventPump m_events;
    NativeFileSystem m_files;
    platform::QtCommonDialog m_commonDialog;
    NativeListFiles m_listFiles;
    NativeProcesses m_processes;
    platform::QtSleeper m_sleeper;
    platform::QtSettingsStore m_settings;
    platform::QtFolderBrowser m_folderBrowser;
    platform::StyleSheetSkin m_skin;
    platform::QtDesktop m_desktop;
    NativeClock m_localClock;
    Form1 m_form;
    bool m_shownOnce = false;
};

}  // namespace orlenda
