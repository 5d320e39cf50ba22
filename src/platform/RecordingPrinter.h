#pragma once

#include "platform/Printer.h"

#include <QList>
#include <QStringList>

namespace zep {

/// Test double of the printer: keeps every operation, each printed line with the font state
/// and position it was printed with, and the lines grouped by ended job.
class RecordingPrinter : public Printer {
public:
    struct Line {
        QString text;
        QString font;
        double size = 0;
        bool bold = false;
        double x = 0; ///< position before the line, millimetres, offset included
        double y = 0;
    };
    enum class Op { Dialog, Line, EndJob, DiscardJob };

    /// What `choosePrinter` answers (true: a printer was chosen).
    bool dialogAnswer = true;
    /// Height of one line in millimetres per point of font size (a rough 1.2 leading).
    double lineHeightPerPoint = 0.4233;

    bool choosePrinter() override {
        ops.append(Op::Dialog);
        ++dialogs;
        return dialogAnswer;
    }
    QString fontName() const override { return font_; }
    void setFontName(const QString &name) override { font_ = name; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override { size_ = points; }
    bool fontBold() const override { return bold_; }
    void setFontBold(bool bold) override { bold_ = bold; }

    void printLine(const QString &text) override {
        ops.append(Op::Line);
        pending.append({text, font_, size_, bold_, x_ + dx_, y_ + dy_});
        x_ = 0;
        y_ += size_ * lineHeightPerPoint;
    }
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double mm) override { x_ = mm; }
    void setCurrentY(double mm) override { y_ = mm; }
    void setOffset(double dxMm, double dyMm) override {
        dx_ = dxMm;
        dy_ = dyMm;
    }
    void setOnePagePerJob(bool onePage) override { onePagePerJob = onePage; }
    bool onePagePerJob = false;

    void endJob() override {
        ops.append(Op::EndJob);
        jobs.append(pending);
        pending.clear();
        x_ = y_ = 0;
    }
    void discardJob() override {
        ops.append(Op::DiscardJob);
        ++discarded;
        pending.clear();
        x_ = y_ = 0;
    }

    /// The texts of one ended job, in order.
    QStringList texts(int job) const {
        QStringList all;
        for (const Line &l : jobs.value(job))
            all.append(l.text);
        return all;
    }

    QList<Op> ops;
    QList<QList<Line>> jobs; ///< ended jobs
    QList<Line> pending;     ///< printed since the last end or discard
    int dialogs = 0;
    int discarded = 0;

private:
    QString font_ = QStringLiteral("Arial");
    double size_ = 10;
    bool bold_ = false;
    double x_ = 0, y_ = 0, dx_ = 0, dy_ = 0;
};

/// Print service double: runs every job on one recording printer.
class RecordingPrintService : public PrintService {
public:
    void print(const PrintJob &job, QWidget *) override {
        ++prints;
        job(printer);
    }
    void preview(const PrintJob &job, QWidget *) override {
        ++previews;
        job(printer);
    }
    RecordingPrinter printer;
    int prints = 0;
    int previews = 0;
};

} // namespace zep
