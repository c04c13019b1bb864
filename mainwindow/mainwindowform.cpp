#include "mainwindow/mainwindowform.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const int buttonMinimumWidth = 100;

void setLayoutMetrics(QBoxLayout *layout, int margin)
{
    layout->setSpacing(6);
    layout->setContentsMargins(margin, margin, margin, margin);
}

QAction *createAction(QMainWindow *mainWindow, const char *objectName)
{
    auto *action = new QAction(mainWindow);
    action->setObjectName(QString::fromLatin1(objectName));
    return action;
}

template<typename Widget>
Widget *createWidget(QWidget *parent, const char *objectName)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QSpacerItem *createHorizontalSpacer()
{
    return new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
}

} // namespace

void MainWindowForm::buildLayout(QMainWindow *mainWindow)
{
    if (mainWindow->objectName().isEmpty())
        mainWindow->setObjectName(QStringLiteral("MainWindow"));
    mainWindow->resize(451, 367);

    createActions(mainWindow);
    centralWidget = createWidget<QWidget>(mainWindow, "centralWidget");
    verticalLayout = new QVBoxLayout(centralWidget);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    setLayoutMetrics(verticalLayout, 11);
    createConnectionRow();
    createOutputArea();
    mainWindow->setCentralWidget(centralWidget);
    createMenus(mainWindow);
    statusBar = createWidget<QStatusBar>(mainWindow, "statusBar");
    mainWindow->setStatusBar(statusBar);

    menuBar->addAction(menuFile->menuAction());
    menuBar->addAction(menuTools->menuAction());
    menuBar->addAction(menuHelp->menuAction());
    menuFile->addAction(actionExit);
    menuTools->addAction(actionRefreshPorts);
    menuTools->addAction(actionChangeLanguage);
    menuTools->addAction(menuCountrySettings->menuAction());
    menuCountrySettings->addAction(actionConvertCsvData);
    menuHelp->addAction(actionHelp);
    menuHelp->addAction(actionAbout);

    applyTexts(mainWindow);
    QMetaObject::connectSlotsByName(mainWindow);
}

void MainWindowForm::createActions(QMainWindow *mainWindow)
{
    actionExit = createAction(mainWindow, "actionExit");
    actionRefreshPorts = createAction(mainWindow, "actionRefreshPorts");
    actionAbout = createAction(mainWindow, "actionAbout");
    actionChangeLanguage = createAction(mainWindow, "actionChangeLanguage");
    actionHelp = createAction(mainWindow, "actionHelp");
    actionConvertCsvData = createAction(mainWindow, "actionConvertCsvData");
    actionConvertCsvData->setCheckable(true);
}

void MainWindowForm::createConnectionRow()
{
    groupBox = createWidget<QGroupBox>(centralWidget, "groupBox");
    groupBox->setFlat(true);
    horizontalLayout = new QHBoxLayout(groupBox);
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    setLayoutMetrics(horizontalLayout, 11);

    comPorts = createWidget<QComboBox>(groupBox, "comPorts");
    comPorts->setMinimumSize(QSize(buttonMinimumWidth, 0));
    horizontalLayout->addWidget(comPorts);
    horizontalSpacer = createHorizontalSpacer();
    horizontalLayout->addItem(horizontalSpacer);
    cancelBtn = createWidget<QPushButton>(groupBox, "cancelBtn");
    cancelBtn->setMinimumSize(QSize(buttonMinimumWidth, 0));
    horizontalLayout->addWidget(cancelBtn);
    downloadBtn = createWidget<QPushButton>(groupBox, "downloadBtn");
    downloadBtn->setMinimumSize(QSize(buttonMinimumWidth, 0));
    horizontalLayout->addWidget(downloadBtn);

    verticalLayout->addWidget(groupBox);
}

void MainWindowForm::createOutputArea()
{
    outputGroupBox = createWidget<QGroupBox>(centralWidget, "outputGroupBox");
    outputGroupBox->setFlat(true);
    verticalLayout_3 = new QVBoxLayout(outputGroupBox);
    verticalLayout_3->setObjectName(QStringLiteral("verticalLayout_3"));
    setLayoutMetrics(verticalLayout_3, 11);
    outputTextEdit = createWidget<QPlainTextEdit>(outputGroupBox, "outputTextEdit");
    outputTextEdit->setReadOnly(true);
    // Nothing to undo in a read-only pane; the history would cost more than the text.
    outputTextEdit->setUndoRedoEnabled(false);
    verticalLayout_3->addWidget(outputTextEdit);

    horizontalLayout_2 = new QHBoxLayout();
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    setLayoutMetrics(horizontalLayout_2, 0);
    horizontalSpacer_2 = createHorizontalSpacer();
    horizontalLayout_2->addItem(horizontalSpacer_2);
    openBtn = createWidget<QPushButton>(outputGroupBox, "openBtn");
    openBtn->setMinimumSize(QSize(buttonMinimumWidth, 0));
    horizontalLayout_2->addWidget(openBtn);
    saveBtn = createWidget<QPushButton>(outputGroupBox, "saveBtn");
    saveBtn->setMinimumSize(QSize(buttonMinimumWidth, 0));
    horizontalLayout_2->addWidget(saveBtn);
    verticalLayout_3->addLayout(horizontalLayout_2);

    verticalLayout->addWidget(outputGroupBox);
}

void MainWindowForm::createMenus(QMainWindow *mainWindow)
{
    menuBar = createWidget<QMenuBar>(mainWindow, "menuBar");
    menuFile = createWidget<QMenu>(menuBar, "menuFile");
    menuTools = createWidget<QMenu>(menuBar, "menuTools");
    menuCountrySettings = createWidget<QMenu>(menuTools, "menuCountrySettings");
    menuHelp = createWidget<QMenu>(menuBar, "menuHelp");
    mainWindow->setMenuBar(menuBar);
}

void MainWindowForm::applyTexts(QMainWindow *mainWindow)
{
    mainWindow->setWindowTitle(
        QCoreApplication::translate("MainWindow", "Ormwick DataLogger", nullptr));
    actionExit->setText(QCoreApplication::translate("MainWindow", "Exit", nullptr));
    actionExit->setToolTip(
        QCoreApplication::translate("MainWindow", "Quits the application", nullptr));
    actionRefreshPorts->setText(
        QCoreApplication::translate("MainWindow", "Refresh Ports", nullptr));
    actionRefreshPorts->setToolTip(
        QCoreApplication::translate("MainWindow", "Refreshes the list of COM ports", nullptr));
    actionAbout->setText(QCoreApplication::translate("MainWindow", "About", nullptr));
    actionAbout->setToolTip(QCoreApplication::translate(
        "MainWindow", "Shows version information about Lumetra DataLogger", nullptr));
    actionChangeLanguage->setText(
        QCoreApplication::translate("MainWindow", "Change Language...", nullptr));
    actionChangeLanguage->setToolTip(QCoreApplication::translate(
        "MainWindow", "Change the language used in this application", nullptr));
    actionHelp->setText(QCoreApplication::translate("MainWindow", "Help", nullptr));
    actionHelp->setToolTip(
        QCoreApplication::translate("MainWindow", "Shows documentation", nullptr));
    actionConvertCsvData->setText(
        QCoreApplication::translate("MainWindow", "Convert CSV Data", nullptr));
    groupBox->setTitle(QCoreApplication::translate("MainWindow", "Device Connection", nullptr));
    cancelBtn->setText(QCoreApplication::translate("MainWindow", "Cancel", nullptr));
    downloadBtn->setText(QCoreApplication::translate("MainWindow", "Download", nullptr));
    outputGroupBox->setTitle(
        QCoreApplication::translate("MainWindow", "Downloaded Output", nullptr));
    openBtn->setText(QCoreApplication::translate("MainWindow", "Open", nullptr));
    saveBtn->setText(QCoreApplication::translate("MainWindow", "Save", nullptr));
    menuFile->setTitle(QCoreApplication::translate("MainWindow", "File", nullptr));
    menuTools->setTitle(QCoreApplication::translate("MainWindow", "Tools", nullptr));
    menuCountrySettings->setTitle(
        QCoreApplication::translate("MainWindow", "Country Settings", nullptr));
    menuHelp->setTitle(QCoreApplication::translate("MainWindow", "Help", nullptr));
}
