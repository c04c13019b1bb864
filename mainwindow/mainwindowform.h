#ifndef MAINWINDOWFORM_H
#define MAINWINDOWFORM_H

class QAction;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QSpacerItem;
class QStatusBar;
class QVBoxLayout;
class QWidget;

// Pointers to every item of the main window; the window owns them all.
struct MainWindowForm
{
    QAction *actionExit = nullptr;
    QAction *actionRefreshPorts = nullptr;
    QAction *actionAbout = nullptr;
    QAction *actionChangeLanguage = nullptr;
    QAction *actionHelp = nullptr;
    QAction *actionConvertCsvData = nullptr;
    QWidget *centralWidget = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QGroupBox *groupBox = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QComboBox *comPorts = nullptr;
    QSpacerItem *horizontalSpacer = nullptr;
    QPushButton *cancelBtn = nullptr;
    QPushButton *downloadBtn = nullptr;
    QGroupBox *outputGroupBox = nullptr;
    QVBoxLayout *verticalLayout_3 = nullptr;
    QPlainTextEdit *outputTextEdit = nullptr;
    QHBoxLayout *horizontalLayout_2 = nullptr;
    QSpacerItem *horizontalSpacer_2 = nullptr;
    QPushButton *openBtn = nullptr;
    QPushButton *saveBtn = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *menuFile = nullptr;
    QMenu *menuTools = nullptr;
    QMenu *menuCountrySettings = nullptr;
    QMenu *menuHelp = nullptr;
    QStatusBar *statusBar = nullptr;

    void buildLayout(QMainWindow *mainWindow);
    void applyTexts(QMainWindow *mainWindow);

private:
    void createActions(QMainWindow *mainWindow);
    void createConnectionRow();
    void createOutputArea();
    void createMenus(QMainWindow *mainWindow);
};

#endif
