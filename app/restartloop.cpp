#include "app/restartloop.h"

#include "language/translationloader.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>
#include <QMessageBox>

#include <memory>

namespace {

void warnTranslationsMissing()
{
    QMessageBox box(QMessageBox::Warning, QString(),
                    QStringLiteral("Failed to load translations, defaulting to English."));
    box.exec();
}

bool runPass(const PortEnumerator &enumerator)
{
    auto translationOwner = std::make_unique<QObject>();
    if (!loadTranslations(translationOwner.get(), translationsFolder()))
        warnTranslationsMissing();

    auto window = std::make_unique<MainWindow>(nullptr, Qt::WindowFlags(), enumerator);
    window->show();
    QApplication::exec();
    const bool restart = window->isRestartRequested();
    window.reset();
    translationOwner.reset();
    return restart;
}

} // namespace

void runRestartLoop(const PortEnumerator &enumerator)
{
    while (runPass(enumerator)) {
    }
}
