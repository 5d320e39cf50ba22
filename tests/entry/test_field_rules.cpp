#include "entry/EntryClock.h"
#include "entry/FieldRules.h"

#include <gtest/gtest.h>

using namespace zep;
using rules::Report;
using rules::Trigger;

namespace {
// "accepted" or the message, with "/vidé" when the field is emptied after it.
QString said(const FieldVerdict &v) {
    if (v.ok)
        return QStringLiteral("accepted");
    return v.message + (v.clear ? QStringLiteral("/vidé") : QString());
}
} // namespace

TEST(FieldRules, DepartmentChecksComeInOrderAndEmptyTheField) {
    for (const char *ok : {"95", "00", "2A", "2b", "01", "20"})
        EXPECT_EQ(said(rules::department(QString::fromLatin1(ok), Trigger::Enter)),
                  QStringLiteral("accepted"))
            << ok;
    EXPECT_EQ(said(rules::department(QStringLiteral("96"), Trigger::Enter)),
              QStringLiteral("N° département de 00 à 95/vidé"));
    EXPECT_EQ(said(rules::department(QStringLiteral("3A"), Trigger::Enter)),
              QStringLiteral("Que des chiffres ou 2a ou 2b)/vidé"));
    EXPECT_EQ(said(rules::department(QStringLiteral("9C"), Trigger::Enter)),
              QStringLiteral("Département 2a ou 2b uniquement)/vidé"));
    EXPECT_EQ(said(rules::department(QStringLiteral("A1"), Trigger::Enter)),
              QStringLiteral("Que des chiffres pour le 1er caractère/vidé"));
    EXPECT_EQ(said(rules::department(QStringLiteral("7"), Trigger::Enter)),
              QStringLiteral("2 caractères pour le département/vidé"));
    EXPECT_EQ(said(rules::department(QString(), Trigger::Enter)),
              QStringLiteral("2 caractères pour le département/vidé"));
    // Before a quick validation a department of the wrong length is left as typed.
    EXPECT_EQ(said(rules::department(QStringLiteral("123"), Trigger::QuickKey)),
              QStringLiteral("2 caractères pour le département"));
    EXPECT_EQ(said(rules::department(QStringLiteral("99"), Trigger::QuickKey)),
              QStringLiteral("N° département de 00 à 95/vidé"));
}

TEST(FieldRules, ReportsDependOnTheModeAndWeighOnlyTheLeadingDigits) {
    const QString ssb = QStringLiteral("SSB"), cw = QStringLiteral("CW");
    EXPECT_EQ(said(rules::report(QStringLiteral("10"), Report::Received, ssb)),
              QStringLiteral("RST reçu 11 mini 59 maxi/vidé"));
    EXPECT_TRUE(rules::report(QStringLiteral("11"), Report::Received, ssb).ok);
    EXPECT_TRUE(rules::report(QStringLiteral("59"), Report::Received, ssb).ok);
    EXPECT_TRUE(rules::report(QStringLiteral("50"), Report::Received, ssb).ok);
    EXPECT_EQ(said(rules::report(QStringLiteral("599"), Report::Received, ssb)),
              QStringLiteral("2 caracteres pour le report reçu/vidé"));
    EXPECT_EQ(said(rules::report(QStringLiteral("5x"), Report::Sent, ssb)),
              QStringLiteral("RST envoyé 11 mini 59 maxi/vidé"));
    EXPECT_TRUE(rules::report(QStringLiteral("599"), Report::Received, cw).ok);
    EXPECT_EQ(said(rules::report(QStringLiteral("59"), Report::Received, cw)),
              QStringLiteral("3 caracteres pour le report reçu/vidé"));
    EXPECT_EQ(said(rules::report(QStringLiteral("600"), Report::Sent, cw)),
              QStringLiteral("RST envoyé 111 mini 599 maxi/vidé"));
    EXPECT_EQ(said(rules::report(QStringLiteral("110"), Report::Received, cw)),
              QStringLiteral("RST reçu 111 mini 599 maxi/vidé"));
    EXPECT_EQ(said(rules::report(QString(), Report::Received, cw)),
              QStringLiteral("Le report reçu est obligatoire"));
    EXPECT_EQ(said(rules::report(QString(), Report::Sent, ssb)),
              QStringLiteral("Le report envoyé est obligatoire    "));
    // A typed mode other than CW is checked as phone.
    EXPECT_TRUE(rules::report(QStringLiteral("57"), Report::Sent, QStringLiteral("FM")).ok);
}

TEST(FieldRules, CallSignLengthThenEmptinessThenModeAndBand) {
    const QString ssb = QStringLiteral("SSB"), band = QStringLiteral("14");
    EXPECT_TRUE(rules::callSign(QStringLiteral("TM123456789A"), ssb, band).ok);
    EXPECT_EQ(said(rules::callSign(QStringLiteral("TM123456789AB"), ssb, band)),
              QStringLiteral("12 caracteres maxi"));
    EXPECT_EQ(said(rules::callSign(QString(), ssb, band)), QStringLiteral("Entrez un indicatif"));
    EXPECT_EQ(said(rules::callSign(QStringLiteral("F6XYZ"), QString(), band)),
              QStringLiteral("selectionnez un mode"));
    EXPECT_EQ(said(rules::callSign(QStringLiteral("F6XYZ"), ssb, QString())),
              QStringLiteral("selectionnez une bande"));
}

TEST(FieldRules, TextFieldsKeepTheirLengthAndRefuseWhatTheLogCannotHold) {
    EXPECT_TRUE(rules::firstName(QStringLiteral("Jean-François")).ok);
    EXPECT_EQ(said(rules::firstName(QStringLiteral("Marie-Christelle"))),
              QStringLiteral("15 caracteres maxi"));
    EXPECT_TRUE(rules::remarks(QString(30, QLatin1Char('x'))).ok);
    EXPECT_EQ(said(rules::remarks(QString(31, QLatin1Char('x')))),
              QStringLiteral("30 caracteres maxi"));

    const FieldVerdict polish = rules::firstName(QStringLiteral("Łukasz"));
    EXPECT_FALSE(polish.ok);
    EXPECT_FALSE(polish.clear);
    EXPECT_TRUE(polish.message.contains(QStringLiteral("Ł")));
    EXPECT_FALSE(rules::remarks(QStringLiteral("73 ✓")).ok);
    EXPECT_FALSE(
        rules::callSign(QStringLiteral("F6Ж"), QStringLiteral("SSB"), QStringLiteral("7")).ok);
    // "µ" is held by the code page but its capital (Greek mu) is not, and "ß" doubles in
    // capitals: the remarks are written in capitals.
    EXPECT_FALSE(rules::remarks(QStringLiteral("5 µW")).ok);
    EXPECT_EQ(said(rules::remarks(QString(20, QChar(0xDF)))), QStringLiteral("30 caracteres maxi"));
    EXPECT_TRUE(rules::remarks(QStringLiteral("Père Noël €")).ok);
}

TEST(FieldRules, BandAndModeLengths) {
    EXPECT_TRUE(rules::band(QStringLiteral("144")).ok);
    EXPECT_EQ(said(rules::band(QStringLiteral("1440"))), QStringLiteral("3 caracteres maxi"));
    EXPECT_TRUE(rules::mode(QStringLiteral("RTTY")).ok);
    EXPECT_EQ(said(rules::mode(QStringLiteral("PSK31"))), QStringLiteral("3 caracteres maxi"));
}

TEST(FieldRules, DateAndTimeShapesButNoCalendar) {
    EXPECT_TRUE(rules::date(QStringLiteral("31/02/09")).ok);
    for (const char *bad : {"1/2/09", "01-02-09", "", "01/02/2009"})
        EXPECT_EQ(said(rules::date(QString::fromLatin1(bad))),
                  QStringLiteral("Attention le format date doit etre 'jj/mm/aa'/vidé"))
            << bad;
    EXPECT_TRUE(rules::time(QStringLiteral("25:61"), Trigger::Enter).ok);
    EXPECT_TRUE(rules::time(QStringLiteral("25:61"), Trigger::QuickKey).ok);
    EXPECT_EQ(said(rules::time(QStringLiteral("9:30"), Trigger::Enter)),
              QStringLiteral("Attention le format de l'heure doit etre 'hh:mm'"));
    EXPECT_EQ(said(rules::time(QStringLiteral("9:30"), Trigger::QuickKey)),
              QStringLiteral("Attention 5 caracteres pour l'heure format 'hh:mm'"));
    EXPECT_EQ(said(rules::time(QStringLiteral("1a:30"), Trigger::QuickKey)),
              QStringLiteral("Attention le format de l'heure doit etre 'hh:mm'"));
    // Right digits around a wrong separator: only the third check sees it.
    EXPECT_EQ(said(rules::time(QStringLiteral("12.30"), Trigger::QuickKey)),
              QStringLiteral("Attention le format date doit etre 'hh:mm'"));
}

TEST(FieldRules, FrenchCallSignsLeadToTheDepartment) {
    for (const char *french : {"F6XYZ", "f6xyz", "TM5A", "HW8B", "TK0C", "TV6D"})
        EXPECT_TRUE(rules::leadsToDepartment(QString::fromLatin1(french))) << french;
    for (const char *foreign : {"ON4AB", "DL1XX", "TA1A", "HB9Z", "G3ABC"})
        EXPECT_FALSE(rules::leadsToDepartment(QString::fromLatin1(foreign))) << foreign;
}

TEST(EntryClock, ReadsBothClocksAndDatesTheChosenOne) {
    // 23:30 UTC on New Year's Eve is 00:30 on New Year's Day one hour east.
    ManualClock clock(QDateTime(QDate(2026, 12, 31), QTime(23, 30, 15), Qt::UTC), 3600);
    const entryclock::Reading utc = entryclock::read(clock, true);
    EXPECT_EQ(utc.utcLabel, QStringLiteral("23:30 Utc"));
    EXPECT_EQ(utc.localLabel, QStringLiteral("00:30 Loc"));
    EXPECT_EQ(utc.date, QStringLiteral("31/12/26"));
    EXPECT_EQ(utc.time, QStringLiteral("23:30:15"));
    const entryclock::Reading local = entryclock::read(clock, false);
    EXPECT_EQ(local.date, QStringLiteral("01/01/27"));
    EXPECT_EQ(local.time, QStringLiteral("00:30:15"));
}
