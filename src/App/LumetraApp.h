#pragma once

#include "App/AppDelegate.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

#include <memory>

class QtTranslations;
class SingleInstance;
class TrayStatusItem;
class UpdaterController;
class UpdaterUserDriver;
class UserDefaults;
class KeyGrabber;

// The application as a whole: registers the default settings before anything reads
// them, keeps the appearance and language refreshers and the shortcut store alive, and
// builds the delegate over the real tray, key grabs, updater and editor window. Here,
// once, the session decides how the screen and the keys are reached: by Lumetra itself
// on X11, through the desktop portal as a Wayland client.
class LumetraApp : public QObject {
    Q_OBJECT
public:
    explicit LumetraApp(QObject* parent = nullptr);
    ~LumetraApp() override;

    // Runs the launch sequence with the command line's file arguments (options, which
    // start with "-", are left out) and its capture option.
    AppDelegate::LaunchResult launch(const QStringList& arguments);

    AppDelegate& delegate() { return *m_delegate; }

    // The file arguments of a command line (without the program name).
    static QStringList fileArguments(const QStringList& arguments);

    // What a command line (without the program name) asks for before anything starts,
    // judged before Qt connects to a display (in the given environment). Qt's own
    // options (-display, -platform, ...) pass. A line that cannot be carried out as
    // written is refused rather than half done: two different captures, a second file,
    // a file that is not there, or no display to show anything on.
    struct CommandLine {
        enum class Request { run, help, version, unknownOption, conflictingCaptures, extraFile, missingFile, noDisplay };
        Request request = Request::run;
        bool verbose = false;   // --verbose: the log takes info and debug lines too
        QString unknownOption;  // the first option nobody knows
        QStringList captures;   // the capture options as written, each once
        QStringList files;      // the file arguments
        QString file;           // the second file (extraFile) or the one not found (missingFile)
        QString platform;       // Qt's platform as -platform or QT_QPA_PLATFORM names it
        QString displayOption;  // the value of Qt's -display option
    };
    static CommandLine readCommandLine(const QStringList& arguments,
                                       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    static QString commandLineHelp();
    // "Lumetra" and the version, as --version prints it.
    static QString versionLine();

private:
    std::unique_ptr<QtTranslations> m_qtTranslations;
    std::unique_ptr<SingleInstance> m_singleInstance;
    std::unique_ptr<TrayStatusItem> m_tray;
    std::unique_ptr<KeyGrabber> m_keyGrab;
    std::unique_ptr<UpdaterUserDriver> m_updaterDriver;
    std::unique_ptr<UpdaterController> m_updater;
    std::unique_ptr<MainWindowPresenter> m_mainWindow;
    std::unique_ptr<CaptureStarter> m_capture;
    std::unique_ptr<AppDelegate> m_delegate;
};
