#pragma once

#include "core/io/Clock.h"
#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "core/log/CurrentActivation.h"
#include "entry/QsoList.h"
#include "entry/Saisie_QSO.h"
#include "platform/Colors.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace zep::testing {

/// The entry window on a temporary program directory, with scripted message boxes, a manual
/// clock and settings in memory. Keys go where the focus is, as they do for the operator.
class EntryWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setup.activation.activator = QStringLiteral("F4ABC");
        setup.activation.reference = QStringLiteral("DFCF-21-001");
        setup.activation.siteName = QStringLiteral("Château de Vougeot");
        setup.activation.programme = QStringLiteral("DFCF");
        setup.activation.postcode = QStringLiteral("21640");
        setup.activation.town = QStringLiteral("Vougeot");
    }

    void TearDown() override {
        if (window)
            window->close();
        window.reset();
    }

    Saisie_QSO &open() {
        window = std::make_unique<Saisie_QSO>(dir.path(), setup, settings, dialogs, clock);
        window->setQuitHandler([this] { ++quits; });
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString logFile() const { return path(QStringLiteral("DFCF-21-001.txt")); }

    static QByteArray bytes(const QString &file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
    }
    static void put(const QString &file, const QByteArray &content) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    QWidget *focused() const { return QApplication::focusWidget(); }
    /// Name of the control holding the focus (the combo box for its line edit).
    QString focusName() const {
        QWidget *w = focused();
        if (w && w->objectName().isEmpty() && qobject_cast<QComboBox *>(w->parentWidget()))
            w = w->parentWidget();
        return w ? w->objectName() : QStringLiteral("<none>");
    }

    void type(const QString &text) {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(focused(), c.toLatin1());
            else // an accented letter, as a French keyboard gives it
                QTest::sendKeyEvent(QTest::Click, focused(), Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(focused(), key, mods);
    }
    void enter() { press(Qt::Key_Return); }
    /// Types a text into the field that has the focus, then Enter.
    void field(const QString &text) {
        type(text);
        enter();
    }
    /// Replaces what the focused field holds, then Enter.
    void replaceAndEnter(const QString &text) {
        press(Qt::Key_A, Qt::ControlModifier);
        press(Qt::Key_Delete);
        field(text);
    }

    /// A whole live QSO from the keyboard: call sign, department for French stations, first
    /// name, the two reports as they stand, remarks, then Space on "Validez".
    void logQso(const QString &call, const QString &dept = QString(),
                const QString &firstName = QString(), const QString &remarks = QString()) {
        ASSERT_EQ(focusName(), QStringLiteral("Indi_Q"));
        field(call);
        if (focusName() == QLatin1String("Dpt_Q"))
            replaceAndEnter(dept);
        ASSERT_EQ(focusName(), QStringLiteral("Prenom_Q"));
        replaceAndEnter(firstName);
        enter();
        enter();
        field(remarks);
        ASSERT_EQ(focusName(), QStringLiteral("Valide_Q"));
        press(Qt::Key_Space);
    }

    QStringList logLines() const {
        const QByteArray b = bytes(logFile());
        QStringList lines = QString::fromLatin1(b).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    template <typename T> T *child(const QString &name) const {
        return window->findChild<T *>(name);
    }

    QTemporaryDir dir;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(14, 7, 30), Qt::UTC), 3600};
    FixedActivationSource setup;
    std::unique_ptr<Saisie_QSO> window;
    int quits = 0;
};

} // namespace zep::testing
