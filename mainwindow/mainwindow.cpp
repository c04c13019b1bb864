#include "mainwindow/mainwindow.h"

#include "app/settingskeys.h"
#include "language/dialoglanguage.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>

static void initResources()
{
    // The bundle lives in a static library, whose registration the linker would drop.
    Q_INIT_RESOURCE(resources);
}

namespace {

bool localeWritesDecimalComma()
{
    return QLocale().toString(0.5, 'g', 6).contains(QLatin1Char(','));
}

} // namespace

MainWindow::MainWindow(QWidget *parent, Qt::WindowFlags flags, PortEnumerator portEnumerator)
    : QMainWindow(parent, flags), portEnumerator(std::move(portEnumerator))
{
    initResources();
    form.buildLayout(this);
    form.cancelBtn->hide();
    form.openBtn->hide();
    form.saveBtn->hide();
    setUpCountrySettings();
    setWindowIcon(QIcon(QStringLiteral(":/OrmwickLumetra.png")));
    createProgressBar();
    styleStatusBar();
    restoreWindowLayout();
    refreshPorts();
    connectActions();
    statusBar()->showMessage(tr("Please select a port and connect your device"));
}

MainWindow::~MainWindow()
{
    storeWindowLayout();
    delete progressBar;
}

void MainWindow::setUpCountrySettings()
{
    QVariant convert;
    if (localeWritesDecimalComma())
        convert = QSettings().value(SettingsKeys::convertData);
    if (convert.isNull())
        form.menuCountrySettings->menuAction()->setVisible(false);
    else
        form.actionConvertCsvData->setChecked(convert.toBool());
}

void MainWindow::createProgressBar()
{
    progressBar = new QProgressBar();
    progressBar->setValue(0);
    progressBar->setMaximum(0);
    progressBar->setMaximumHeight(15);
    progressBar->setMaximumWidth(100);
    progressBar->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid #CCCCCC; border-radius: 3px; } "
        "QProgressBar::chunk:horizontal { background: qlineargradient(x1: 0, y1: 0.5, x2: 1, "
        "y2: 0.5, stop: 0 orange, stop: 1 white); }"));
}

void MainWindow::styleStatusBar()
{
    statusBar()->setStyleSheet(
        QStringLiteral("QStatusBar { background-color: #FFFFFF; border-top: 1px solid gray; }"));
    statusBar()->setMinimumHeight(30);
}

void MainWindow::restoreWindowLayout()
{
    QSettings settings;
    restoreGeometry(settings.value(SettingsKeys::mainWindowGeometry).toByteArray());
    restoreState(settings.value(SettingsKeys::mainWindowState).toByteArray(), 0);
}

void MainWindow::storeWindowLayout()
{
    QSettings settings;
    settings.setValue(SettingsKeys::mainWindowGeometry, saveGeometry());
    settings.setValue(SettingsKeys::mainWindowState, saveState(0));
    settings.setValue(SettingsKeys::devicePortName, form.comPorts->currentText());
}

void MainWindow::connectActions()
{
    connect(form.actionExit, SIGNAL(triggered()), this, SLOT(close()));
    connect(form.actionChangeLanguage, SIGNAL(triggered()), this, SLOT(changeLanguage()));
    connect(form.actionRefreshPorts, SIGNAL(triggered()), this, SLOT(refreshPorts()));
    connect(form.actionHelp, SIGNAL(triggered()), this, SLOT(showHelp()));
    connect(form.actionAbout, SIGNAL(triggered()), this, SLOT(showAbout()));
    connect(form.actionConvertCsvData, SIGNAL(toggled(bool)), this, SLOT(convertDataToggled(bool)));
    connect(form.downloadBtn, SIGNAL(clicked()), this, SLOT(download()));
    connect(form.cancelBtn, SIGNAL(clicked()), this, SLOT(cancelDownload()));
    connect(form.saveBtn, SIGNAL(clicked()), this, SLOT(saveFile()));
    connect(form.openBtn, SIGNAL(clicked()), this, SLOT(openFile()));
}

void MainWindow::convertDataToggled(bool checked)
{
    QSettings().setValue(SettingsKeys::convertData, checked);
}

void MainWindow::refreshPorts()
{
    form.comPorts->clear();
    QList<PortInfo> ports;
    portEnumerator(ports);
    const QString storedName = QSettings().value(SettingsKeys::devicePortName).toString();
    for (int i = 0; i < ports.size(); ++i) {
        form.comPorts->addItem(ports.at(i).portName, ports.at(i).openPath);
        if (ports.at(i).portName == storedName)
            form.comPorts->setCurrentIndex(i);
    }
}

void MainWindow::changeLanguage()
{
    DialogLanguage dialog(translationsFolderName, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QMessageBox question(
        QMessageBox::Question, QString(),
        tr("The language will be changed next time Ormwick DataLogger is started."),
        QMessageBox::Yes | QMessageBox::No);
    question.setInformativeText(tr("Would you like to restart now?"));
    if (question.exec() != QMessageBox::Yes)
        return;
    restartRequested = true;
    close();
}

void MainWindow::download() {}

void MainWindow::cancelDownload() {}

void MainWindow::readyRead() {}

void MainWindow::readTimeOut() {}

void MainWindow::openFile() {}

void MainWindow::saveFile() {}

void MainWindow::showAbout()
{
    const QString text = tr("Ormwick DataLogger\n\n %1\n",
                            "The %1 is replaced with the version number so please don't remove it!")
                             .arg(QCoreApplication::applicationVersion());
    QMessageBox::about(this, tr("About Ormwick DataLogger", "Title of the About box"), text);
}

void MainWindow::showHelp()
{
    const QString language = QLocale().name().left(2);
    const QString page = QStringLiteral("%1/Help/LumetraDataLoggerHelp_%2.html")
                             .arg(QCoreApplication::applicationDirPath(), language);
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}
