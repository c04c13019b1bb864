#ifndef DIALOGLANGUAGE_H
#define DIALOGLANGUAGE_H

#include <QDialog>
#include <QString>

class QComboBox;
class QDialogButtonBox;
class QVBoxLayout;

// Lets the user pick the interface language from the translation files of a
// folder; OK stores the choice, which takes effect when translations load next.
class DialogLanguage : public QDialog
{
    Q_OBJECT

public:
    explicit DialogLanguage(const QString &folderPath, QWidget *parent = nullptr);
    ~DialogLanguage() override;

    int languageCount() const;
    QString selectedFilePath() const;
    QString selectedIso639Code() const;

    void accept() override;

private:
    void buildLayout();
    void fillLanguages(const QString &folderPath, const QString &storedFilePath);

    QVBoxLayout *verticalLayout = nullptr;
    QComboBox *languageCombo = nullptr;
    QDialogButtonBox *buttonBox = nullptr;
};

#endif
