#include "language/dialoglanguage.h"

#include "app/settingskeys.h"
#include "language/translationcatalogue.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

const int filePathRole = Qt::UserRole;
const int iso639CodeRole = Qt::UserRole + 1;

} // namespace

DialogLanguage::DialogLanguage(const QString &folderPath, QWidget *parent) : QDialog(parent)
{
    const QString storedFilePath = QSettings().value(SettingsKeys::languageFilePath).toString();
    buildLayout();
    fillLanguages(folderPath, storedFilePath);
}

DialogLanguage::~DialogLanguage() = default;

void DialogLanguage::buildLayout()
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("DialogLanguage"));
    resize(303, 88);

    verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    languageCombo = new QComboBox(this);
    languageCombo->setObjectName(QStringLiteral("languageCombo"));
    verticalLayout->addWidget(languageCombo);
    verticalLayout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    buttonBox = new QDialogButtonBox(this);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttonBox->setCenterButtons(true);
    verticalLayout->addWidget(buttonBox);

    setWindowTitle(tr("Please choose a language"));

    connect(buttonBox, SIGNAL(accepted()), this, SLOT(accept()));
    connect(buttonBox, SIGNAL(rejected()), this, SLOT(reject()));
    QMetaObject::connectSlotsByName(this);
}

// The stored file wins when there is one, even if it matches nothing; only a
// first choice falls back to the system's language. The last match is current.
void DialogLanguage::fillLanguages(const QString &folderPath, const QString &storedFilePath)
{
    const QLocale::Language systemLanguage = QLocale::system().language();
    const QList<TranslationEntry> catalogue = translationCatalogue(folderPath);
    for (int w = 0; w < catalogue.size(); ++w) {
        const TranslationEntry &entry = catalogue.at(w);
        languageCombo->addItem(entry.displayName);
        languageCombo->setItemData(w, entry.filePath, filePathRole);
        languageCombo->setItemData(w, entry.iso639Code, iso639CodeRole);
        const bool matches = storedFilePath.isEmpty() ? entry.language == systemLanguage
                                                      : entry.filePath == storedFilePath;
        if (matches)
            languageCombo->setCurrentIndex(w);
    }
    buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!catalogue.isEmpty());
}

int DialogLanguage::languageCount() const
{
    return languageCombo->count();
}

QString DialogLanguage::selectedFilePath() const
{
    return languageCombo->currentData(filePathRole).toString();
}

QString DialogLanguage::selectedIso639Code() const
{
    return languageCombo->currentData(iso639CodeRole).toString();
}

// With nothing listed there is no choice to store; keeping the stored one is safer.
void DialogLanguage::accept()
{
    if (languageCombo->currentIndex() < 0) {
        QDialog::reject();
        return;
    }
    {
        QSettings settings;
        settings.setValue(SettingsKeys::languageFilePath, selectedFilePath());
        settings.setValue(SettingsKeys::languageIso639Code, selectedIso639Code());
    }
    QDialog::accept();
}
