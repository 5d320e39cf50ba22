// The hands of the soak run: a small library loaded into the real program (LD_PRELOAD) that
// reads one command a line on the program's standard input and plays it with keys and clicks
// on the windows, found by their objectName, as an operator would. It answers on the standard
// output with lines starting "@soak ". Every message box that comes up is answered (Oui, or
// its only button) and its text written out, so the run sees everything the operator would.
//
// Commands:
//   open REF1 REF2      the setup window: a double activation of REF1 and REF2, "Saisie des QSO"
//   qso CALL DEPT NAME  one QSO typed into the entry window and validated (DEPT "-" for none)
//   edit NAME           "Editer" on the last QSO, its first name replaced, validated
//   delete              the last QSO of the list clicked, "Supprimer", answered Oui
//   undo                "Annuler la dernière correction"
//   scp PATH            "Mettre à jour MASTER.SCP…" with PATH chosen in the file dialog
//   import PATH         "Importer un fichier ADIF…" with PATH, the preview's "Importer" clicked
//   ping                answered "@soak pong" once every command before it is done
//
// Nothing of the program is linked in: the library sees Qt's widgets only.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString &text) {
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char('|'));
    std::fprintf(stdout, "@soak %s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QWidget *topLevel(const QString &name) {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

template <class T> T *childOf(QWidget *window, const QString &name) {
    return window ? window->findChild<T *>(name) : nullptr;
}

/// After a message box is answered no window may be active (offscreen, nobody clicks the
/// window again): the window under work is made active again, its focus where it was.
void refocus() {
    if (QApplication::focusWidget())
        return;
    for (const char *name : {"Saisie_QSO", "Setup"})
        if (QWidget *w = topLevel(QLatin1String(name))) {
            QApplication::setActiveWindow(w);
            return;
        }
}

QString focusName() {
    refocus();
    QWidget *w = QApplication::focusWidget();
    if (w && w->objectName().isEmpty() && w->parentWidget())
        w = w->parentWidget(); // a combo box's line edit
    return w ? w->objectName() : QString();
}

void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    refocus();
    if (QWidget *w = QApplication::focusWidget())
        QTest::keyClick(w, key, mods);
}

void type(const QString &text) {
    refocus();
    for (const QChar c : text)
        if (QWidget *w = QApplication::focusWidget())
            QTest::keyClick(w, c.toLatin1());
}

/// Enter until the focus is on `name`, at most `steps` times; whether it got there.
bool enterUntil(const QString &name, int steps = 12) {
    for (int i = 0; i < steps && focusName() != name; ++i)
        press(Qt::Key_Return);
    return focusName() == name;
}

void replaceText(const QString &text) {
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_Delete);
    type(text);
}

class Driver : public QObject {
public:
    Driver() : input_(STDIN_FILENO, QSocketNotifier::Read, this) {
        connect(&input_, &QSocketNotifier::activated, this, &Driver::readInput);
        // Modal windows are answered from a timer: they come up inside the keys and clicks of
        // a command, in their own event loop.
        answerer_.setInterval(15);
        connect(&answerer_, &QTimer::timeout, this, &Driver::answerModal);
        answerer_.start();
        say(QStringLiteral("ready"));
    }

private:
    void readInput() {
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            input_.setEnabled(false);
            return;
        }
        pending_.append(chunk, int(n));
        if (busy_)
            return; // the command under way takes the next lines when it ends
        busy_ = true;
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
            const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
            pending_.remove(0, end + 1);
            if (!line.isEmpty())
                run(line.split(QLatin1Char(' ')));
        }
        busy_ = false;
    }

    void run(const QStringList &words) {
        const QString &command = words.front();
        QString outcome = QStringLiteral("ok");
        if (command == QLatin1String("open") && words.size() == 3)
            outcome = openActivation(words[1], words[2]);
        else if (command == QLatin1String("qso") && words.size() == 4)
            outcome = logQso(words[1], words[2], words[3]);
        else if (command == QLatin1String("edit") && words.size() == 2)
            outcome = editLast(words[1]);
        else if (command == QLatin1String("delete"))
            outcome = deleteLast();
        else if (command == QLatin1String("undo"))
            outcome = trigger(QStringLiteral("Mnu_Annuler_Correction"));
        else if (command == QLatin1String("scp") && words.size() == 2)
            outcome = withFile(words[1], QStringLiteral("Mnu_Master_Scp"));
        else if (command == QLatin1String("import") && words.size() == 2)
            outcome = withFile(words[1], QStringLiteral("Mnu_Import_ADIF"));
        else if (command == QLatin1String("ping"))
            outcome = QStringLiteral("pong");
        else
            outcome = QStringLiteral("unknown");
        say(QStringLiteral("%1 %2").arg(outcome, words.join(QLatin1Char(' '))));
    }

    QString openActivation(const QString &first, const QString &second) {
        QWidget *setup = topLevel(QStringLiteral("Setup"));
        if (!setup)
            return QStringLiteral("fail-no-setup");
        QApplication::setActiveWindow(setup);
        // As the operator fills the setup window: "Activité double", "RAZ", then every field
        // of the chain typed and left with Enter.
        if (auto *two = childOf<QRadioButton>(setup, QStringLiteral("Option2")))
            QTest::mouseClick(two, Qt::LeftButton);
        if (auto *reset = childOf<QPushButton>(setup, QStringLiteral("RAZ")))
            QTest::keyClick(reset, Qt::Key_Space);
        const std::pair<const char *, QString> chain[] = {
            {"Activeur", QStringLiteral("F4SOAK")},
            {"Logger", QStringLiteral("F4SOAK")},
            {"Num_Activite", first},
            {"Nom_Activite", QStringLiteral("Essai longue duree")},
            {"Num_Canton", QStringLiteral("7625")},
            {"Num_CP", QStringLiteral("76540")},
            {"Nom_Commune", QStringLiteral("Sassenot")},
            {"Type_Activite", QString()},
            {"Date_Activite", QStringLiteral("12/11/05")},
            {"Num_Activite1", second},
            {"Nom_Activite1", QStringLiteral("Ile de Sassenot")},
            {"Num_Canton1", QString()},
            {"Num_CP1", QStringLiteral("76541")},
            {"Nom_Commune1", QStringLiteral("Sassenot le bas")},
            {"Type_Activite1", QStringLiteral("Activation")},
        };
        for (const auto &[name, text] : chain) {
            auto *field = childOf<QWidget>(setup, QLatin1String(name));
            if (!field)
                return QStringLiteral("fail-no-") + QLatin1String(name);
            field->setFocus();
            if (auto *edit = qobject_cast<QLineEdit *>(field))
                edit->clear();
            if (auto *combo = qobject_cast<QComboBox *>(field); combo && !text.isEmpty())
                combo->setEditText(QString());
            for (const QChar c : text)
                QTest::keyClick(field, c.toLatin1());
            QTest::keyClick(field, Qt::Key_Return);
        }
        auto *save = childOf<QPushButton>(setup, QStringLiteral("Saisie_des_QSO"));
        if (!save || !save->isEnabled())
            return QStringLiteral("fail-button-off");
        QTest::mouseClick(save, Qt::LeftButton);
        QWidget *entry = topLevel(QStringLiteral("Saisie_QSO"));
        if (!entry)
            return QStringLiteral("fail-no-entry");
        QApplication::setActiveWindow(entry);
        if (auto *call = childOf<QLineEdit>(entry, QStringLiteral("Indi_Q")))
            call->setFocus();
        return QStringLiteral("ok");
    }

    QWidget *entryWindow() const { return topLevel(QStringLiteral("Saisie_QSO")); }

    /// The entry window active and the focus on the call sign, as between two QSOs.
    QLineEdit *readyForCall() {
        QWidget *entry = entryWindow();
        auto *call = childOf<QLineEdit>(entry, QStringLiteral("Indi_Q"));
        if (!call)
            return nullptr;
        QApplication::setActiveWindow(entry);
        // What a refused entry left behind is put away with "Annuler", as the operator would.
        if (!call->text().isEmpty() || focusName() != QLatin1String("Indi_Q")) {
            if (auto *cancel = childOf<QPushButton>(entry, QStringLiteral("Annule_Q")))
                QTest::mouseClick(cancel, Qt::LeftButton);
            call->setFocus();
        }
        return call;
    }

    QString logQso(const QString &call, const QString &dept, const QString &name) {
        if (!readyForCall())
            return QStringLiteral("fail-no-entry");
        type(call);
        press(Qt::Key_Return);
        if (focusName() == QLatin1String("Dpt_Q")) {
            replaceText(dept == QLatin1String("-") ? QString() : dept);
            press(Qt::Key_Return);
        }
        if (focusName() != QLatin1String("Prenom_Q"))
            return QStringLiteral("fail-focus-") + focusName();
        replaceText(name);
        if (!reachValidation())
            return QStringLiteral("fail-focus-") + focusName();
        press(Qt::Key_Space);
        return QStringLiteral("ok");
    }

    /// Enter up to "Validez". A report the window refuses (the radio changed the mode between
    /// two QSOs: "599" left in a phone QSO) is typed again as the mode wants it, as the
    /// operator would.
    bool reachValidation() {
        for (int attempt = 0; attempt < 4; ++attempt) {
            if (enterUntil(QStringLiteral("Valide_Q")))
                return true;
            const QString stuck = focusName();
            if (stuck != QLatin1String("QRKR_Q") && stuck != QLatin1String("QRKE_Q"))
                return false;
            replaceText(attempt % 2 == 0 ? QStringLiteral("59") : QStringLiteral("599"));
        }
        return false;
    }

    QString editLast(const QString &name) {
        QWidget *entry = entryWindow();
        auto *edit = childOf<QPushButton>(entry, QStringLiteral("Edite_QSO"));
        if (!readyForCall() || !edit)
            return QStringLiteral("fail-no-entry");
        QTest::mouseClick(edit, Qt::LeftButton);
        if (!enterUntil(QStringLiteral("Prenom_Q"), 4))
            return QStringLiteral("fail-focus-") + focusName();
        replaceText(name);
        if (!reachValidation())
            return QStringLiteral("fail-focus-") + focusName();
        press(Qt::Key_Space);
        return QStringLiteral("ok");
    }

    QString deleteLast() {
        QWidget *entry = entryWindow();
        auto *list = childOf<QAbstractItemView>(entry, QStringLiteral("Liste_QSO"));
        auto *erase = childOf<QPushButton>(entry, QStringLiteral("Efface_QSO"));
        if (!readyForCall() || !list || !erase || !list->model())
            return QStringLiteral("fail-no-entry");
        const int rows = list->model()->rowCount(list->rootIndex());
        if (rows == 0)
            return QStringLiteral("fail-empty");
        const QModelIndex last = list->model()->index(rows - 1, 0, list->rootIndex());
        list->scrollTo(last);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(last).center());
        QTest::mouseClick(erase, Qt::LeftButton); // the question is answered Oui
        return QStringLiteral("ok");
    }

    QString trigger(const QString &actionName) {
        QWidget *entry = entryWindow();
        auto *action = entry ? entry->findChild<QAction *>(actionName) : nullptr;
        if (!action || !readyForCall())
            return QStringLiteral("fail-no-action");
        if (!action->isEnabled())
            return QStringLiteral("fail-disabled");
        action->trigger();
        return QStringLiteral("ok");
    }

    QString withFile(const QString &path, const QString &actionName) {
        nextFile_ = path;
        const QString outcome = trigger(actionName);
        nextFile_.clear();
        return outcome;
    }

    void answerModal() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            say(QStringLiteral("box ") + box->text());
            QAbstractButton *answer = box->button(QMessageBox::Yes);
            if (!answer)
                answer = box->button(QMessageBox::Ok);
            if (!answer && !box->buttons().isEmpty())
                answer = box->buttons().front();
            if (answer)
                answer->click();
            else
                box->done(0);
        } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            if (nextFile_.isEmpty()) {
                files->reject();
                return;
            }
            // The name typed where the operator types it, then "Ouvrir"; a dialog not yet
            // ready to take it is tried again at the next tick (the name is kept until the
            // command ends).
            if (auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(nextFile_);
            else
                files->selectFile(nextFile_);
            static_cast<QDialog *>(files)->accept(); // public there
        } else if (modal->objectName() == QLatin1String("Import_ADIF")) {
            if (auto *import = childOf<QPushButton>(modal, QStringLiteral("Importer")))
                QTest::mouseClick(import, Qt::LeftButton);
        }
        // Anything else (a progress window) is left to end by itself.
    }

    QSocketNotifier input_;
    QTimer answerer_;
    QByteArray pending_;
    QString nextFile_;
    bool busy_ = false;
};

void startDriver() {
    // Once the event loop runs: the program's windows and objects are made by then.
    QTimer::singleShot(0, qApp, [] { new Driver; });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriver)
