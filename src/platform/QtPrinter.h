#pragma once

#include "core/io/Dialogs.h"
#include "core/io/IoResult.h"
#include "platform/Printer.h"

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QList>
#include <QPageLayout>

#include <memory>

class QBuffer;
class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QPrinter;
class QWidget;

namespace zep {

/// The font a printer font name is printed with on this machine.
/// "Courier New" is not installed on Linux: it resolves to Liberation Mono (same metrics), or to
/// another fixed-pitch font, never to a proportional one. "Letter Gothic", the label font, is a
/// fixed-pitch font narrowed so that its pitch is half its size: 33 characters at 12 points
/// and 50 characters at 8 points each span about 70 mm, as on the label sheets.
/// Any other name is asked for as it is.
QFont printerFont(const QString &name, double points, bool bold);

/// Height of one printed line of `font`, in millimetres (the font's line spacing).
double printerLineHeightMm(const QFont &font);

/// A printer over a Qt printer device. What a job prints is kept (laid out in pages, a new
/// page when a line does not fit) and only drawn at `endJob`, so a discarded job never reaches
/// paper. On a real printer each ended job is one print job of the printing system; into a
/// file or the preview, the jobs of one run follow each other as pages of one document.
class QtPrinter : public Printer {
public:
    enum class Target {
        Printer, ///< a printer chosen in the system dialog (a file if "print to file" is chosen)
        Preview, ///< the print preview's device: no dialog, one document
        Pdf,     ///< a PDF document in memory: no dialog, one document
    };

    /// `printer` is the Qt printer of the Printer and Preview targets; `dialogParent` is the
    /// parent of the printer dialog.
    QtPrinter(QPrinter *printer, Target target, QWidget *dialogParent = nullptr);
    /// A PDF document with this page layout, kept in memory (see `pdf`).
    explicit QtPrinter(const QPageLayout &layout);
    ~QtPrinter() override;

    bool choosePrinter() override;
    QString fontName() const override { return font_; }
    void setFontName(const QString &name) override { font_ = name; }
    double fontSize() const override { return size_; }
    void setFontSize(double points) override { size_ = points; }
    bool fontBold() const override { return bold_; }
    void setFontBold(bool bold) override { bold_ = bold; }
    void printLine(const QString &text) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double mm) override { x_ = mm; }
    void setCurrentY(double mm) override { y_ = mm; }
    void setOffset(double dxMm, double dyMm) override {
        dx_ = dxMm;
        dy_ = dyMm;
    }
    void setOnePagePerJob(bool onePage) override { onePage_ = onePage; }
    void endJob() override;
    void discardJob() override;

    /// Ends the run: a job still open is ended (what was printed before the run stops is
    /// printed, as a printer does when the program ends), then the document is closed and,
    /// when "print to file" was chosen, the file is written. The first failure met, if any.
    IoResult finish();

    /// The PDF document of the Pdf target, complete after `finish`.
    QByteArray pdf() const;
    /// Pages drawn so far (every ended job counted).
    int pagesDrawn() const { return pagesDrawn_; }

    /// One line waiting for the end of its job.
    struct Placed {
        QString text;
        QFont font;
        double x, y; ///< millimetres from the printable area's corner, offset included
    };
    using Page = QList<Placed>;

private:
    struct ResolvedFont {
        QFont font;
        double lineHeight; ///< millimetres
    };
    const ResolvedFont &currentFont();
    QPagedPaintDevice *device();
    QRectF printableMm();
    bool beginDocument();
    void drawPages(const QList<Page> &pages);
    void fail(const QString &message);

    QPrinter *printer_ = nullptr;
    Target target_;
    QWidget *dialogParent_ = nullptr;

    // The in-memory PDF: the Pdf target, or a printer sent to a file by its dialog.
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QPdfWriter> writer_;
    QString outputFile_;
    bool toFile_ = false;

    std::unique_ptr<QPainter> painter_; ///< open across jobs when they form one document
    bool documentStarted_ = false;
    int pagesDrawn_ = 0;
    IoResult status_;

    QString font_ = QStringLiteral("Arial");
    double size_ = 10;
    bool bold_ = false;
    double x_ = 0, y_ = 0, dx_ = 0, dy_ = 0;
    bool onePage_ = false;
    QList<Page> pending_;
    QHash<QString, ResolvedFont> fonts_; ///< by name, size and boldness
};

/// Runs `job` into a PDF document in memory, A4 with 10 mm margins; no dialog is shown.
IoResult printToPdfBytes(const PrintJob &job, QByteArray &pdf);
/// The same, written to `pdfPath` through the crash-safe file path.
IoResult printToPdf(const PrintJob &job, const QString &pdfPath);

} // namespace zep
