#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace zep::pdftext {

/// Runs a poppler tool on a PDF held in memory and returns its standard output ("<failed>"
/// when the tool could not run), so tests read back what a printer would get.
inline QString run(const QString &tool, const QStringList &options, const QByteArray &pdf) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return QStringLiteral("<failed>");
    file.close();
    QProcess process;
    QStringList arguments = options;
    arguments << path;
    if (tool == QLatin1String("pdftotext"))
        arguments << QStringLiteral("-");
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QStringLiteral("<failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

/// The text of every page, laid out as on paper (pages are separated by a form feed).
inline QString layout(const QByteArray &pdf) {
    return run(QStringLiteral("pdftotext"), {QStringLiteral("-layout")}, pdf);
}

/// The number of pages as pdfinfo reports it, -1 when it cannot tell.
inline int pages(const QByteArray &pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {}, pdf);
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

} // namespace zep::pdftext
