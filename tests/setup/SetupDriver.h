#pragma once

// Drives the setup window from the keyboard as an operator would, on a temporary program
// directory, with scripted message boxes and settings kept in memory.

#include "core/io/Dialogs.h"
#include "core/io/Settings.h"
#include "platform/Colors.h"
#include "platform/ListBox.h"
#include "setup/Setup.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "support/TestFiles.h"

#include <memory>

namespace zep::test {

using zep::testfiles::bytesOf;

inline void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

/// `text` filled with blanks to `width` columns and followed by its separator blank.
inline QByteArray col(const char *text, int width) {
    return QByteArray(text).leftJustified(width, ' ') + ' ';
}

/// A list line made column by column, the way the file lays it out.
inline QByteArray listLine(const char *number, const char *activator, const char *name,
                           const char *canton, const char *cp, const char *type, const char *date,
                           const char *commune, const char *partner, const char *logger) {
    return col(number, 12) + col(activator, 10) + col(name, 35) + col(canton, 4) + col(cp, 5) +
           col(type, 12) + col(date, 8) + col(commune, 35) +
           QByteArray(partner).rightJustified(3, ' ') + ' ' +
           QByteArray(logger).leftJustified(10, ' ');
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        prepare();
        open();
    }
    void TearDown() override { window.reset(); }

    /// Files a test puts in the directory before the window opens.
    virtual void prepare() {}

    void open() {
        window = std::make_unique<zep::Setup>(dir.path(), settings, dialogs);
        window->setEntryWindowOpener([this] { ++entryOpened; });
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QByteArray listFile() const { return bytesOf(path(QStringLiteral("Liste_Activite.txt"))); }

    /// Types `text` key by key; letters outside ASCII come as keys with only a text, as a
    /// keyboard layout or a compose key sends them.
    void type(QWidget *field, const QString &text) {
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(field, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }
    void enter(QWidget *field) { QTest::keyClick(field, Qt::Key_Return); }
    void typeEnter(QWidget *field, const QString &text) {
        if (auto *edit = qobject_cast<QLineEdit *>(field))
            edit->clear();
        if (auto *combo = qobject_cast<QComboBox *>(field))
            combo->setEditText(QString());
        type(field, text);
        enter(field);
    }
    QWidget *focused() const { return QApplication::focusWidget(); }

    /// A new activation from RAZ down to the date, every field accepted.
    void typeFirstReference(const QString &number = QStringLiteral("DFCF 76054")) {
        QTest::keyClick(window->RAZ, Qt::Key_Space);
        typeEnter(window->Activeur, QStringLiteral("f5zzz"));
        typeEnter(window->Logger, QStringLiteral("f4yyy"));
        typeEnter(window->Num_Activite, number);
        typeEnter(window->Nom_Activite, QStringLiteral("Chateau de Sassenot"));
        typeEnter(window->Num_Canton, QStringLiteral("7625"));
        typeEnter(window->Num_CP, QStringLiteral("76540"));
        typeEnter(window->Nom_Commune, QStringLiteral("Sassenot sur seine"));
        enter(window->Type_Activite);
        typeEnter(window->Date_Activite, QStringLiteral("12/11/05"));
    }

    void typeSecondReference(const QString &number = QStringLiteral("DIFI 76-001")) {
        typeEnter(window->Num_Activite1, number);
        typeEnter(window->Nom_Activite1, QStringLiteral("Ile de Sassenot"));
        typeEnter(window->Num_Canton1, QString());
        typeEnter(window->Num_CP1, QStringLiteral("76541"));
        typeEnter(window->Nom_Commune1, QStringLiteral("Sassenot le bas"));
        typeEnter(window->Type_Activite1, QStringLiteral("Résident"));
    }

    QTemporaryDir dir;
    MemorySettingsStore settings;
    ScriptedDialogs dialogs;
    std::unique_ptr<zep::Setup> window;
    int entryOpened = 0;
};

} // namespace zep::test
