// Validation of a QSO from the entry window: the line written, its clock stamp, the counters,
// the reset for the next QSO, insert and edit modes, the double activation's copy, and a failing
// write that must lose nothing; and the QSO list, which follows the log.

#include "EntryWindowFixture.h"

#include "core/io/SysCalls.h"
#include "core/log/ActivityLog.h"
#include "core/log/QsoLine.h"

#include <QSignalSpy>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

using namespace zep;
using zep::testing::EntryWindowTest;

namespace {

QByteArray crlf(const QStringList &lines) {
    QByteArray all;
    for (const QString &l : lines)
        all += l.toLatin1() + "\r\n";
    return all;
}

QString line(const QString &date, const QString &time, const QString &call, const QString &dept,
             const QString &first, const QString &rst, const QString &mode, const QString &band,
             const QString &remarks = QString()) {
    const BuiltLine b =
        buildQsoLine({date, time, call, dept, first, rst, rst, mode, band, remarks});
    EXPECT_TRUE(b.ok) << b.error.toStdString();
    return b.line;
}

/// Makes every opening for writing of a file whose name contains `part` fail, as a full or
/// read-only disk would.
class FailingWrites : public sys::Calls {
public:
    explicit FailingWrites(std::initializer_list<const char *> parts) : parts_(parts) {}
    int open(const char *path, int flags, mode_t mode) override {
        if (flags & (O_WRONLY | O_RDWR))
            for (const char *part : parts_)
                if (std::strstr(path, part)) {
                    errno = ENOSPC;
                    return -1;
                }
        return sys::Calls::open(path, flags, mode);
    }

private:
    std::vector<const char *> parts_;
};

/// A disk that fills up under one file: every write to a file whose name contains `part` fails
/// with "no space left", everything else goes through.
class DiskFullOnWrite : public sys::Calls {
public:
    explicit DiskFullOnWrite(const char *part) : part_(part) {}
    int refused = 0;

    int open(const char *path, int flags, mode_t mode) override {
        const int fd = sys::Calls::open(path, flags, mode);
        if (fd >= 0 && std::strstr(path, part_))
            full_.push_back(fd);
        return fd;
    }
    ssize_t write(int fd, const void *data, size_t size) override {
        if (std::find(full_.begin(), full_.end(), fd) != full_.end()) {
            ++refused;
            errno = ENOSPC;
            return -1;
        }
        return sys::Calls::write(fd, data, size);
    }
    int close(int fd) override {
        std::erase(full_, fd);
        return sys::Calls::close(fd);
    }

private:
    const char *part_;
    std::vector<int> full_;
};

} // namespace

using EntryValidation = EntryWindowTest;

TEST_F(EntryValidation, LiveQsosAreWrittenByteForByteAndTheEntryStartsAgain) {
    open();
    logQso(QStringLiteral("F6XYZ"), QStringLiteral("21"), QStringLiteral("Frédéric"),
           QStringLiteral("qrp 5w"));
    clock.advance(60);
    field(QStringLiteral("on4ab"));
    replaceAndEnter(QString());
    replaceAndEnter(QStringLiteral("57"));
    enter();
    enter();
    press(Qt::Key_Return); // Enter on "Validez" validates too

    const QString first = QStringLiteral("07/12/26  14:07  F6XYZ         21  Frédéric         "
                                         "59  59  SSB   3.5 Mhz QRP 5W") +
                          QString(24, QLatin1Char(' '));
    ASSERT_EQ(first.size(), 104);
    QString second =
        line(QStringLiteral("07/12/26"), QStringLiteral("14:08"), QStringLiteral("ON4AB"), {}, {},
             QStringLiteral("57"), QStringLiteral("SSB"), QStringLiteral("3.5"));
    second.replace(56, 2, QStringLiteral("59")); // report sent left at 59
    EXPECT_EQ(bytes(logFile()), crlf({first, second}));
    // Frédéric is stored in the code page: one byte for "é".
    EXPECT_EQ(bytes(logFile()).left(104).mid(35, 8), QByteArray("Fr\xE9"
                                                                "d\xE9ric"));

    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("3"));
    EXPECT_EQ(window->Tot_Ope->text(), QStringLiteral("2"));
    EXPECT_EQ(window->Liste_QSO->count(), 2);
    EXPECT_EQ(window->Liste_QSO->currentRow(), 1);
    EXPECT_EQ(child<QLabel>(QStringLiteral("Dpt_21"))->palette().color(QPalette::Window),
              colors::departmentWorked());
    // Ready for the next call sign; the reports keep the last values typed.
    EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    EXPECT_EQ(backgroundOf(window->Indi_Q), colors::lightGreen());
    EXPECT_TRUE(window->Indi_Q->text().isEmpty());
    EXPECT_TRUE(window->Prenom_Q->text().isEmpty());
    EXPECT_TRUE(window->Observation_Q->text().isEmpty());
    EXPECT_EQ(window->QRKR_Q->text(), QStringLiteral("57"));
    for (QWidget *w :
         std::initializer_list<QWidget *>{window->Dpt_Q, window->Prenom_Q, window->QRKR_Q,
                                          window->QRKE_Q, window->Observation_Q, window->Valide_Q})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(window->Bande_Q->currentText(), QStringLiteral("3.5"));
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(EntryValidation, TheChosenClockStampsTheQsoAcrossMidnight) {
    clock.setUtc(QDateTime(QDate(2026, 12, 31), QTime(23, 30, 40), Qt::UTC));
    open();
    logQso(QStringLiteral("G3ABC"));
    window->Mnu_UTC_Non->trigger();
    EXPECT_EQ(settings.read(keys::heureUtc, {}), QStringLiteral("False"));
    logQso(QStringLiteral("DL1XX"));
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(logLines()[0].left(15), QStringLiteral("31/12/26  23:30"));
    EXPECT_EQ(logLines()[1].left(15), QStringLiteral("01/01/27  00:30"));
}

TEST_F(EntryValidation, DeferredEntryKeepsTheDateAndAppendsInTheOrderTyped) {
    open();
    window->Mnu_Diff_Oui->trigger();
    EXPECT_TRUE(window->Date_Q->isVisible());
    EXPECT_TRUE(window->Label6->isVisible());
    field(QStringLiteral("F6XYZ"));
    field(QStringLiteral("21"));
    enter();
    enter();
    enter();
    enter();
    ASSERT_EQ(focusName(), QStringLiteral("Date_Q"));
    field(QStringLiteral("1/2/09"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention le format date doit etre 'jj/mm/aa'"));
    EXPECT_TRUE(window->Date_Q->text().isEmpty());
    field(QStringLiteral("12/03/09"));
    EXPECT_EQ(settings.read(keys::dateActivite, {}), QStringLiteral("12/03/09"));
    field(QStringLiteral("9:30"));
    EXPECT_EQ(dialogs.last(), QStringLiteral("Attention le format de l'heure doit etre 'hh:mm'"));
    EXPECT_EQ(window->Heure_Q->text(), QStringLiteral("9:30"));
    replaceAndEnter(QStringLiteral("18:30"));
    ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
    press(Qt::Key_Space);

    EXPECT_EQ(window->Date_Q->text(), QStringLiteral("12/03/09"));
    EXPECT_TRUE(window->Heure_Q->text().isEmpty());
    EXPECT_TRUE(window->Date_Q->isVisible());

    // An earlier QSO typed next still goes at the end: deferred entry appends.
    field(QStringLiteral("ON4AB"));
    enter();
    enter();
    enter();
    enter();
    enter(); // the date kept from the last QSO
    field(QStringLiteral("08:15"));
    press(Qt::Key_Space);
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(logLines()[0].left(15), QStringLiteral("12/03/09  18:30"));
    EXPECT_EQ(logLines()[1].left(15), QStringLiteral("12/03/09  08:15"));

    window->Mnu_Diff_Non->trigger();
    EXPECT_TRUE(window->Date_Q->text().isEmpty());
    EXPECT_FALSE(window->Date_Q->isVisible());
}

TEST_F(EntryValidation, InsertModePlacesTheQsoAtItsDateAndTime) {
    const QStringList before = {
        line(QStringLiteral("07/12/26"), QStringLiteral("10:00"), QStringLiteral("F5AAA"),
             QStringLiteral("75"), {}, QStringLiteral("59"), QStringLiteral("SSB"),
             QStringLiteral("7")),
        line(QStringLiteral("07/12/26"), QStringLiteral("11:00"), QStringLiteral("F5BBB"),
             QStringLiteral("13"), {}, QStringLiteral("59"), QStringLiteral("SSB"),
             QStringLiteral("7"))};
    put(logFile(), crlf(before));
    open();
    // Insert mode as the "Inserer un QSO" button sets it up.
    window->state().modeAjout = true;
    window->Date_Q->show();
    window->Heure_Q->show();
    field(QStringLiteral("F6XYZ"));
    field(QStringLiteral("21"));
    field(QStringLiteral("jean"));
    enter();
    enter();
    field(QStringLiteral("qrp"));
    ASSERT_EQ(focusName(), QStringLiteral("Date_Q"));
    field(QStringLiteral("06/12/26"));
    field(QStringLiteral("23:59"));
    press(Qt::Key_Space);

    const QStringList after = logLines();
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after[0],
              line(QStringLiteral("06/12/26"), QStringLiteral("23:59"), QStringLiteral("F6XYZ"),
                   QStringLiteral("21"), QStringLiteral("JEAN"), QStringLiteral("59"),
                   QStringLiteral("SSB"), QStringLiteral("3.5"), QStringLiteral("QRP")));
    EXPECT_EQ(after.mid(1), before);
    EXPECT_FALSE(window->state().modeAjout);
    EXPECT_TRUE(window->Status->text().isEmpty());
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("4"));
    EXPECT_EQ(window->Liste_QSO->currentRow(), 2);
    EXPECT_TRUE(window->Date_Q->text().isEmpty());
    EXPECT_FALSE(window->Date_Q->isVisible());
}

TEST_F(EntryValidation, EditModeRewritesTheChosenLineInPlace) {
    const QStringList before = {
        line(QStringLiteral("07/12/26"), QStringLiteral("10:00"), QStringLiteral("F5AAA"),
             QStringLiteral("75"), {}, QStringLiteral("59"), QStringLiteral("SSB"),
             QStringLiteral("7")),
        line(QStringLiteral("07/12/26"), QStringLiteral("11:00"), QStringLiteral("F5BBB"),
             QStringLiteral("13"), {}, QStringLiteral("599"), QStringLiteral("CW"),
             QStringLiteral("7")),
        line(QStringLiteral("07/12/26"), QStringLiteral("12:00"), QStringLiteral("F5CCC"),
             QStringLiteral("06"), {}, QStringLiteral("59"), QStringLiteral("SSB"),
             QStringLiteral("7"))};
    put(logFile(), crlf(before));
    open();
    // The second QSO chosen for editing, its fields filled as the editing sets them.
    window->state().modeEdition = true;
    window->state().qsoChoisi = before[1];
    window->Mode_Q->setCurrentText(QStringLiteral("CW"));
    window->Bande_Q->setCurrentText(QStringLiteral("7"));
    window->Indi_Q->setText(QStringLiteral("F5BBB"));
    window->Dpt_Q->setText(QStringLiteral("13"));
    window->QRKR_Q->setText(QStringLiteral("599"));
    window->QRKE_Q->setText(QStringLiteral("599"));
    window->Date_Q->setText(QStringLiteral("07/12/26"));
    window->Heure_Q->setText(QStringLiteral("11:00"));
    window->Date_Q->show();
    window->Heure_Q->show();
    window->Indi_Q->setFocus();

    enter(); // no duplicate question in edit mode
    EXPECT_TRUE(dialogs.shown().empty());
    enter();
    field(QStringLiteral("Marc"));
    enter();
    enter();
    enter();
    enter();
    replaceAndEnter(QStringLiteral("23:00")); // a later time keeps the line where it was
    press(Qt::Key_Space);

    QStringList expected = before;
    expected[1] = line(QStringLiteral("07/12/26"), QStringLiteral("23:00"), QStringLiteral("F5BBB"),
                       QStringLiteral("13"), QStringLiteral("Marc"), QStringLiteral("599"),
                       QStringLiteral("CW"), QStringLiteral("7"));
    EXPECT_EQ(bytes(logFile()), crlf(expected));
    EXPECT_FALSE(window->state().modeEdition);
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("4"));
    EXPECT_EQ(window->Mode_Q->currentText(), QStringLiteral("CW"));
}

TEST_F(EntryValidation, DoubleActivationKeepsTheSecondLogIdentical) {
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral(" DIFI-21-002 ");
    const QString second = path(QStringLiteral("DIFI-21-002.txt"));
    put(second, "stale\r\n");
    open();
    logQso(QStringLiteral("F6XYZ"), QStringLiteral("21"));
    EXPECT_EQ(bytes(second), bytes(logFile()));
    clock.advance(120);
    logQso(QStringLiteral("G3ABC"), {}, QStringLiteral("Ann"));
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(bytes(second), bytes(logFile()));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Temporaire.txt"))));
}

TEST_F(EntryValidation, AFailedWriteKeepsTheQsoInTheFieldsAndTheLogUnchanged) {
    const QStringList before = {line(QStringLiteral("07/12/26"), QStringLiteral("10:00"),
                                     QStringLiteral("F5AAA"), QStringLiteral("75"), {},
                                     QStringLiteral("59"), QStringLiteral("SSB"),
                                     QStringLiteral("7"))};
    put(logFile(), crlf(before));
    const QByteArray names("F5AAA        75 Luc\r\n");
    put(path(QStringLiteral("Liste_Prenom.txt")), names);
    setup.activation.isDouble = true;
    setup.activation.secondReference = QStringLiteral("DIFI-21-002");
    open();

    field(QStringLiteral("F6XYZ"));
    field(QStringLiteral("21"));
    field(QStringLiteral("Jean"));
    enter();
    enter();
    field(QStringLiteral("portable"));
    // The log cannot be written.
    {
        FailingWrites full{"DFCF-21-001"};
        sys::ScopedCalls seam(full);
        window->Valide_Q->click();
    }
    ASSERT_EQ(dialogs.shown().size(), 1U);
    EXPECT_FALSE(dialogs.shown().front().isQuestion);
    EXPECT_TRUE(dialogs.last().contains(QStringLiteral("DFCF-21-001.txt")));
    EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))), names);
    EXPECT_EQ(bytes(logFile()), crlf(before));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("DIFI-21-002.txt"))));
    // Everything typed is still there, ready to be validated again.
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("F6XYZ"));
    EXPECT_EQ(window->Dpt_Q->text(), QStringLiteral("21"));
    EXPECT_EQ(window->Prenom_Q->text(), QStringLiteral("Jean"));
    EXPECT_EQ(window->Observation_Q->text(), QStringLiteral("PORTABLE"));
    EXPECT_TRUE(window->Valide_Q->isEnabled());
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("2"));

    window->Valide_Q->click();
    EXPECT_EQ(dialogs.shown().size(), 1U);
    ASSERT_EQ(logLines().size(), 2);
    EXPECT_EQ(logLines()[1].left(35), QStringLiteral("07/12/26  14:07  F6XYZ         21  "));
    // Validating twice after a failure leaves one memory entry for the station.
    EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))),
              names + QByteArray("F6XYZ        21 Jean\r\n"));
    EXPECT_EQ(bytes(path(QStringLiteral("DIFI-21-002.txt"))), bytes(logFile()));
    EXPECT_TRUE(window->Indi_Q->text().isEmpty());
}

TEST_F(EntryValidation, AFullDiskCostsTheFirstNameNeverTheQso) {
    // The memory needs room for a whole second copy when an entry is rewritten, and one line
    // when a station is new; the log needs one line. With the disk full for the memory's
    // writes, the QSO is logged all the same and the operator is told what was not kept.
    struct Case {
        const char *what, *call, *failingFile;
    };
    const Case cases[] = {
        {"known station: the memory's scratch file", "F5AAA", "Temporaire.txt"},
        {"new station: the memory itself", "F6XYZ", "Liste_Prenom.txt"},
    };
    const QByteArray names("F5AAA        75 Luc\r\n");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        dialogs.clear();
        QFile::remove(logFile());
        put(path(QStringLiteral("Liste_Prenom.txt")), names);
        open();

        DiskFullOnWrite full(c.failingFile);
        {
            sys::ScopedCalls seam(full);
            logQso(QString::fromLatin1(c.call), QStringLiteral("21"), QStringLiteral("Jean"));
        }
        EXPECT_GT(full.refused, 0);
        ASSERT_EQ(logLines().size(), 1);
        const QsoFields logged = readQsoLine(logLines()[0]);
        EXPECT_EQ(logged.call, QLatin1String(c.call));
        EXPECT_EQ(logged.firstName, QStringLiteral("Jean"));
        ASSERT_EQ(dialogs.shown().size(), 1U);
        EXPECT_FALSE(dialogs.shown().front().isQuestion);
        EXPECT_TRUE(dialogs.last().contains(
            QStringLiteral("le prénom de %1 n'est pas mémorisé").arg(QLatin1String(c.call))))
            << dialogs.last().toStdString();
        EXPECT_TRUE(dialogs.last().contains(QStringLiteral("le disque est plein")));
        // The memory is whole, as before; the entry goes on with the next QSO.
        EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))), names);
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("Temporaire.txt"))));
        EXPECT_TRUE(window->Indi_Q->text().isEmpty());
        EXPECT_EQ(window->Num_Q->text(), QStringLiteral("2"));
        EXPECT_EQ(focusName(), QStringLiteral("Indi_Q"));
    }
}

TEST_F(EntryValidation, ValidezWithoutTheEnterChecksStillRefusesWhatTheLogCannotHold) {
    open();
    field(QStringLiteral("G3ABC"));
    window->Observation_Q->setText(QStringLiteral("73 ✓"));
    window->Valide_Q->click();
    EXPECT_TRUE(dialogs.last().contains(QStringLiteral("✓")));
    EXPECT_FALSE(QFile::exists(logFile()) && !logLines().isEmpty());
    EXPECT_EQ(bytes(path(QStringLiteral("Liste_Prenom.txt"))), QByteArray());
    EXPECT_EQ(window->Indi_Q->text(), QStringLiteral("G3ABC"));
}

TEST_F(EntryValidation, ClosingOrQuitterEndsTheProgram) {
    open();
    int signalled = 0;
    QObject::connect(window.get(), &Saisie_QSO::quitRequested, [&] { ++signalled; });
    window->Mnu_Quitter->trigger();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(signalled, 1);
    EXPECT_FALSE(window->isVisible());
}

// --- The QSO list follows the log ------------------------------------------------------------

namespace {

QStringList listTexts(const QsoList *list) {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->itemText(row));
    return texts;
}

/// The items the list shows for `lines`: each line after its number.
QStringList numbered(const QStringList &lines) {
    QStringList items;
    for (qsizetype i = 0; i < lines.size(); ++i)
        items.append(qsoListItem(int(i + 1), lines.at(i)));
    return items;
}

QStringList threeQsos() {
    QStringList lines;
    for (const char *call : {"F5AAA", "F5BBB", "F5CCC"})
        lines.append(line(QStringLiteral("07/12/26"), QStringLiteral("10:0%1").arg(lines.size()),
                          QString::fromLatin1(call), QStringLiteral("75"), {}, QStringLiteral("59"),
                          QStringLiteral("SSB"), QStringLiteral("7")));
    return lines;
}

} // namespace

TEST_F(EntryValidation, AnAppendedQsoJoinsTheListWithoutRefillingIt) {
    put(logFile(), crlf(threeQsos()));
    open();
    QsoList *list = window->Liste_QSO;
    // A list shown anew is reset; one that follows an append gains a row.
    QSignalSpy resets(&list->rows(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&list->rows(), &QAbstractItemModel::rowsInserted);
    list->setCurrentRow(0); // a click on the first QSO

    logQso(QStringLiteral("ON4AB"));
    EXPECT_EQ(resets.count(), 0) << "the QSOs already shown keep their rows";
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(listTexts(list), numbered(logLines()));
    // The new QSO is the chosen one, as after a click on it.
    EXPECT_EQ(list->currentRow(), 3);
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(window->state().ligneChoisie, list->itemText(3));
    EXPECT_EQ(window->state().qsoChoisi, logLines().at(3));
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("5"));

    // Reloaded with nothing new, the last QSO is chosen again even though it was current.
    window->state().qsoChoisi.clear();
    window->Charge_Liste_QSO();
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(window->state().qsoChoisi, logLines().at(3));
    EXPECT_EQ(listTexts(list), numbered(logLines()));
}

TEST_F(EntryValidation, ARewrittenLogIsShownWholeAgain) {
    const QStringList before = threeQsos();
    put(logFile(), crlf(before));
    open();
    QsoList *list = window->Liste_QSO;
    const auto expectListIsTheFile = [&](const char *what) {
        EXPECT_EQ(listTexts(list), numbered(logLines())) << what;
        EXPECT_EQ(list->currentRow(), list->count() - 1) << what;
        EXPECT_EQ(window->state().qsoChoisi, logLines().last()) << what;
        EXPECT_EQ(window->Num_Q->text(), QString::number(logLines().size() + 1)) << what;
    };

    ActivityLog log(logFile());
    ASSERT_TRUE(log.remove(before[0]).ok);
    window->Charge_Liste_QSO();
    expectListIsTheFile("deleted");

    ASSERT_TRUE(log.insertChronologically(before[0]).ok);
    window->Charge_Liste_QSO();
    expectListIsTheFile("inserted");

    QString edited = before[1];
    edited.replace(QStringLiteral("F5BBB"), QStringLiteral("F5BBX"));
    ASSERT_TRUE(log.replace(edited, before[1]).ok);
    QSignalSpy resets(&list->rows(), &QAbstractItemModel::modelReset);
    window->Charge_Liste_QSO();
    expectListIsTheFile("edited");
    EXPECT_EQ(resets.count(), 0) << "an edited QSO rewrites its own row only";

    // Changed by another program, same size, the moment after the last reading.
    QByteArray bytes = this->bytes(logFile());
    bytes[bytes.indexOf("F5AAA") + 4] = 'Z';
    put(logFile(), bytes);
    window->Charge_Liste_QSO();
    expectListIsTheFile("changed behind the program's back");
    EXPECT_TRUE(listTexts(list).at(0).contains(QStringLiteral("F5AAZ")));

    // The same count of QSOs after a deletion and a live QSO: the list still follows the file.
    ASSERT_TRUE(log.remove(logLines().at(0)).ok);
    logQso(QStringLiteral("ON4AB"));
    expectListIsTheFile("deleted then appended");
    EXPECT_EQ(list->count(), 3);
}

TEST_F(EntryValidation, TheTenThousandthQsoIsNumberedWhole) {
    const QString old = line(QStringLiteral("07/12/26"), QStringLiteral("09:00"),
                             QStringLiteral("F5AAA"), QStringLiteral("75"), {},
                             QStringLiteral("59"), QStringLiteral("SSB"), QStringLiteral("7"));
    put(logFile(), crlf(QStringList(9998, old)));
    open();
    QsoList *list = window->Liste_QSO;
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("9999"));

    logQso(QStringLiteral("ON4AB"));
    logQso(QStringLiteral("ON4CD"));
    ASSERT_EQ(list->count(), 10000);
    EXPECT_EQ(list->itemText(9997), QStringLiteral("9998  ") + old);
    EXPECT_EQ(list->itemText(9998), QStringLiteral("9999  ") + logLines().at(9998));
    EXPECT_EQ(list->itemText(9999), QStringLiteral("10000  ") + logLines().at(9999));
    EXPECT_EQ(window->state().qsoChoisi, logLines().at(9999));
    EXPECT_EQ(window->Num_Q->text(), QStringLiteral("10001"));
    EXPECT_EQ(listTexts(list), numbered(logLines()));
}
