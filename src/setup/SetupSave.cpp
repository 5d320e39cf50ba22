// Reopening, recording and deleting activations from the setup window.

#include "core/io/TextFile.h"
#include "core/log/Activation.h"
#include "platform/Colors.h"
#include "platform/ListBox.h"
#include "setup/Setup.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace zep {

void Setup::Liste_Activite_Click() {
    Activite_Selectionnee = Liste_Activite->listItem(Liste_Activite->listIndex());
    Charge_Activite(Activite_Selectionnee);

    if (Option1->isChecked()) {
        for (QLineEdit *e : {Activeur1, Num_Activite1, Nom_Activite1, Num_Canton1, Num_CP1,
                             Nom_Commune1, Date_Activite1})
            e->clear();
        Type_Activite1->setEditText(QString());
        for (QWidget *w : std::initializer_list<QWidget *>{Activeur1, Num_Activite1, Nom_Activite1,
                                                           Num_Canton1, Num_CP1, Nom_Commune1,
                                                           Type_Activite1, Date_Activite1}) {
            setBackground(w, colors::lightYellow());
            w->setEnabled(false);
        }
    }
    // The reopened activation is recorded already: its fields are shown, not typed.
    for (QWidget *w :
         std::initializer_list<QWidget *>{Activeur, Num_Activite, Nom_Activite, Num_Canton, Num_CP,
                                          Nom_Commune, Type_Activite, Date_Activite})
        w->setEnabled(false);
    Saisie_des_QSO->setEnabled(true);
    setBackground(Saisie_des_QSO, colors::lightGreen());
    Saisie_des_QSO->setFocus();
}

void Setup::showFirst(const ActivationRecord &r) {
    Num_Activite->setText(r.number);
    Activeur->setText(r.activator);
    Nom_Activite->setText(r.name);
    Num_Canton->setText(r.canton);
    Num_CP->setText(r.postalCode);
    Type_Activite->setEditText(r.type);
    Date_Activite->setText(r.date);
    Nom_Commune->setText(r.commune);
    Logger->setText(r.logger);
}

void Setup::showSecond(const ActivationRecord &r) {
    Num_Activite1->setText(r.number);
    Activeur1->setText(r.activator);
    Nom_Activite1->setText(r.name);
    Num_Canton1->setText(r.canton);
    Num_CP1->setText(r.postalCode);
    Type_Activite1->setEditText(r.type);
    Date_Activite1->setText(r.date);
    Nom_Commune1->setText(r.commune);
    Logger1->setText(r.logger);
}

void Setup::clearSecond() {
    for (QLineEdit *e : {Activeur1, Num_Activite1, Nom_Activite1, Num_Canton1, Num_CP1,
                         Nom_Commune1, Date_Activite1})
        e->clear();
    Type_Activite1->setEditText(QString());
}

void Setup::Charge_Activite(const QString &number) {
    const LoadedActivation loaded = ActivationList(programDir_).load(number);
    if (!loaded.status) {
        dialogs_.message(loaded.status.message);
        return;
    }
    if (!loaded.found)
        return;
    showFirst(loaded.first);
    if (loaded.second) {
        showSecond(*loaded.second);
        Option2->setChecked(true);
    } else {
        clearSecond();
        Option1->setChecked(true);
    }
}

ActivationRecord Setup::firstRecord() const {
    ActivationRecord r;
    r.number = Num_Activite->text();
    r.activator = Activeur->text();
    r.name = Nom_Activite->text();
    r.canton = Num_Canton->text();
    r.postalCode = Num_CP->text();
    r.type = Type_Activite->currentText();
    r.date = Date_Activite->text();
    r.commune = Nom_Commune->text();
    r.logger = Logger->text();
    return r;
}

ActivationRecord Setup::secondRecord() const {
    // The second reference shares the first one's activator, date and logger.
    ActivationRecord r = firstRecord();
    r.number = Num_Activite1->text();
    r.name = Nom_Activite1->text();
    r.canton = Num_Canton1->text();
    r.postalCode = Num_CP1->text();
    r.type = Type_Activite1->currentText();
    r.commune = Nom_Commune1->text();
    return r;
}

void Setup::writeSavedSettings() {
    const std::pair<const QString &, QString> values[] = {
        {keys::indicatif, Activeur->text()},
        {keys::logger, Logger->text()},
        {keys::numActivite, Num_Activite->text()},
        {keys::nomActivite, Nom_Activite->text()},
        {keys::numCanton, Num_Canton->text()},
        {keys::numCP, Num_CP->text()},
        {keys::commune, Nom_Commune->text()},
        {keys::typeActivite, Type_Activite->currentText()},
        {keys::dateActivite, Date_Activite->text()},
        {keys::numActivite1, Num_Activite1->text()},
        {keys::nomActivite1, Nom_Activite1->text()},
        {keys::typeActivite1, Type_Activite1->currentText()},
        {keys::commune1, Nom_Commune1->text()},
        {keys::numCanton1, Num_Canton1->text()},
        {keys::numCP1, Num_CP1->text()},
    };
    for (const auto &[key, value] : values)
        settings_.write(key, value);
}

void Setup::Saisie_des_QSO_Click() {
    if (Activeur->text().isEmpty() || Num_Activite->text().isEmpty() ||
        Nom_Activite->text().isEmpty()) {
        dialogs_.message(setupMessages::threeMandatory);
        return;
    }
    // The fields stay open once the Enter chain has passed them: a number changed since then
    // is checked again before it names a file. One longer than the list's 12 columns would be
    // cut there and no longer name the log the QSOs go to; two equal numbers would make the
    // two references, and their logs, one.
    for (const QLineEdit *number : {Num_Activite, Num_Activite1}) {
        if (number == Num_Activite1 && !Option2->isChecked())
            continue;
        const QString trimmed = number->text().trimmed();
        const auto chain =
            std::find_if(chain_.cbegin(), chain_.cend(),
                         [number](const ChainField &c) { return c.field == number; });
        std::optional<QString> refusal;
        if (trimmed.isEmpty())
            refusal = number == Num_Activite
                          ? std::optional<QString>(setupMessages::numberMandatory)
                          : std::nullopt; // its own message below
        else if (trimmed.size() > chain->rule.maximum)
            refusal = chain->rule.lengthMessage;
        else if (number == Num_Activite1 && trimmed == Num_Activite->text().trimmed())
            refusal = setupMessages::sameNumbers;
        else
            refusal = referenceFileNameRefusal(trimmed);
        if (refusal) {
            dialogs_.message(*refusal);
            return;
        }
    }
    writeSavedSettings();

    ActivationList list(programDir_);
    const ActivationList::Numbers read = list.numbers();
    if (!read.status) {
        dialogs_.message(read.status.message);
        return;
    }
    const bool isDouble = Option2->isChecked();
    const QString first = Num_Activite->text().trimmed();
    const QString second = Num_Activite1->text().trimmed();
    if (isDouble && second.isEmpty()) {
        dialogs_.message(setupMessages::secondMissing);
        return;
    }
    const bool newFirst = !read.numbers.contains(first);
    const bool newSecond = isDouble && !read.numbers.contains(second);

    // The partner fields of a pair. Two new references go at the end of the file, one after
    // the other, each holding the other's position. When only one of them is new, its line
    // points at the line already holding the other reference, so it never names a line that
    // does not exist (or itself), and the recorded line is left as it is.
    const int count = static_cast<int>(read.numbers.size());
    int firstPartner = 0;
    int secondPartner = 0;
    if (newFirst && newSecond) {
        firstPartner = count + 2;
        secondPartner = count + 1;
    } else if (isDouble && newFirst) {
        firstPartner = static_cast<int>(read.numbers.lastIndexOf(second)) + 1;
    } else if (newSecond) {
        secondPartner = static_cast<int>(read.numbers.lastIndexOf(first)) + 1;
    }
    if (std::max(firstPartner, secondPartner) > kMaxPartnerPosition) {
        dialogs_.message(setupMessages::listFull);
        return;
    }

    // Both questions come before anything is written, so that declining the second one does
    // not leave the first line pointing at a partner line that never comes.
    const QString firstLine = formatActivationLine(firstRecord(), firstPartner);
    if (newFirst && !dialogs_.question(QStringLiteral("Enregistrer ") + firstLine + " ?")) {
        RAZ_Setup();
        return;
    }
    const QString secondLine = formatActivationLine(secondRecord(), secondPartner);
    if (newSecond && !dialogs_.question(QStringLiteral("Enregistrer ") + secondLine + " ?")) {
        RAZ_Setup();
        return;
    }
    for (const auto &[isNew, line] :
         {std::pair{newFirst, firstLine}, std::pair{newSecond, secondLine}}) {
        if (!isNew)
            continue;
        if (IoResult appended = list.append(line); !appended) {
            dialogs_.message(appended.message);
            Cherche_Num_Activite();
            return;
        }
    }
    if (newFirst || newSecond)
        Cherche_Num_Activite();

    // A log file that went missing is created again, empty: the reference is in the list
    // and the entry window appends to it.
    const QString log = activityLogPath(programDir_, first);
    if (!fileExists(log)) {
        if (IoResult created = ensureFileExists(log); !created) {
            dialogs_.message(created.message);
            return;
        }
    }
    dialogs_.message(QFileInfo(log).size() == 0 ? setupMessages::newActivation
                                                : setupMessages::runningActivation);
    if (entryWindowOpener_)
        entryWindowOpener_();
}

void Setup::Supprimer_Click() {
    if (Activite_Selectionnee.trimmed().isEmpty()) {
        // The list operation tells the operator to pick an activation first.
        ActivationList(programDir_).remove(Activite_Selectionnee, dialogs_);
        return;
    }
    const ActivationList::Deletion done =
        ActivationList(programDir_).remove(Activite_Selectionnee, dialogs_);
    if (!done.status)
        dialogs_.message(done.status.message);
    RAZ_Setup();
    Cherche_Num_Activite();
}

} // namespace zep
