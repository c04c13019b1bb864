#include "language/translationcatalogue.h"

#include <QFile>
#include <QTest>
#include <QTranslator>
#include <QXmlStreamReader>

// The translations and help pages that the build puts beside the program.
class TestShippedTranslations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void folderListsTheFourLanguages();
    void eachLanguageIsComplete_data();
    void eachLanguageIsComplete();

private:
    QString runtimeDir;
};

namespace {

struct Message
{
    QString context;
    QString source;
    QString comment;
};

// The program's texts as the English translation source lists them.
QList<Message> programTexts()
{
    QFile file(QStringLiteral(LDL_TRANSLATION_SOURCES_DIR "/LumetraDataLogger_en.ts"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("message"))
            message = Message{context, QString(), QString()};
        else if (xml.name() == QLatin1String("source"))
            message.source = xml.readElementText();
        else if (xml.name() == QLatin1String("comment"))
            message.comment = xml.readElementText();
        else if (xml.name() == QLatin1String("translation")) {
            const QStringRef type = xml.attributes().value(QLatin1String("type"));
            if (type != QLatin1String("vanished") && type != QLatin1String("obsolete"))
                messages.append(message);
            xml.skipCurrentElement();
        }
    }
    return messages;
}

} // namespace

void TestShippedTranslations::initTestCase()
{
    runtimeDir = qEnvironmentVariable("LDL_RUNTIME_DIR");
    QVERIFY2(!runtimeDir.isEmpty(), "LDL_RUNTIME_DIR names the folder of the built program");
    QVERIFY(programTexts().size() > 30);
}

// Qt's base translations must not show up as languages of their own.
void TestShippedTranslations::folderListsTheFourLanguages()
{
    const QList<TranslationEntry> catalogue =
        translationCatalogue(runtimeDir + QStringLiteral("/Translations"));
    QStringList listed;
    for (const TranslationEntry &entry : catalogue)
        listed << entry.iso639Code + QLatin1Char(' ') + entry.displayName;
    QCOMPARE(listed, QStringList({"de German", "en English", "es Spanish", "fr French"}));
}

void TestShippedTranslations::eachLanguageIsComplete_data()
{
    QTest::addColumn<QString>("qtCancel"); // Qt's own text, from its base translation
    QTest::newRow("en") << "Cancel";
    QTest::newRow("de") << "Abbrechen";
    QTest::newRow("fr") << "Annuler";
    QTest::newRow("es") << "Cancelar";
}

// Every program text is translated, Qt's base translation translates Qt's standard
// buttons, and the help page names the window's controls as the translation does.
void TestShippedTranslations::eachLanguageIsComplete()
{
    QFETCH(QString, qtCancel);
    const QString code = QString::fromLatin1(QTest::currentDataTag());
    QTranslator base;
    if (code != QLatin1String("en")) {
        QVERIFY(base.load(runtimeDir + QStringLiteral("/Translations/qt_%1.qm").arg(code)));
        QVERIFY(QCoreApplication::installTranslator(&base));
    }
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), qtCancel);
    QTranslator translator;
    QVERIFY(translator.load(runtimeDir +
                            QStringLiteral("/Translations/LumetraDataLogger_%1.qm").arg(code)));
    for (const Message &message : programTexts()) {
        const QString translation = translator.translate(
            message.context.toUtf8().constData(), message.source.toUtf8().constData(),
            message.comment.isEmpty() ? nullptr : message.comment.toUtf8().constData());
        const QString where = message.context + QStringLiteral(": ") + message.source;
        QVERIFY2(!translation.isEmpty(), qPrintable(where));
        if (message.source.contains(QLatin1String("%1")))
            QVERIFY2(translation.contains(QLatin1String("%1")), qPrintable(where));
        if (code == QLatin1String("en"))
            QCOMPARE(translation, message.source);
    }

    QFile page(runtimeDir + QStringLiteral("/Help/LumetraDataLoggerHelp_%1.html").arg(code));
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(QStringLiteral("<html lang=\"%1\">").arg(code)));
    for (const char *control :
         {"Download", "Cancel", "Save", "Open", "Tools", "Refresh Ports", "Change Language...",
          "Country Settings", "Convert CSV Data", "Downloaded Output",
          "Now initiate the download on the tester", "File successfully saved",
          "Comma Separated Value files (*.csv)", "Text files (*.txt)"}) {
        const QString text = translator.translate("MainWindow", control);
        QVERIFY2(html.contains(text), qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestShippedTranslations)
#include "tst_shippedtranslations.moc"
