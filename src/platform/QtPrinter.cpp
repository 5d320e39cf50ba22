#include "platform/QtPrinter.h"

#include "core/io/TextFile.h"

#include <QBuffer>
#include <QDebug>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace zep {

namespace {

const QString courierNew = QStringLiteral("Courier New");
const QString letterGothic = QStringLiteral("Letter Gothic");

// Fixed-pitch fonts with Courier's metrics first, then any fixed-pitch font Debian ships.
const QStringList fixedPitchFallbacks = {
    QStringLiteral("Liberation Mono"),  QStringLiteral("Nimbus Mono PS"),
    QStringLiteral("Courier"),          QStringLiteral("FreeMono"),
    QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Sans Mono"),
};

// Metrics are taken on one high-resolution device, the same for every target, so that a page
// is laid out identically on paper, in a PDF file and in the preview.
constexpr int metricsDpi = 1200;
constexpr double mmPerInch = 25.4;

const QImage &metricsDevice() {
    static const QImage image = [] {
        QImage img(8, 8, QImage::Format_RGB32);
        const int dotsPerMetre = int(std::lround(metricsDpi / mmPerInch * 1000.0));
        img.setDotsPerMeterX(dotsPerMetre);
        img.setDotsPerMeterY(dotsPerMetre);
        return img;
    }();
    return image;
}

void installSubstitutions() {
    static const bool installed = [] {
        QFont::insertSubstitutions(courierNew, fixedPitchFallbacks);
        QFont::insertSubstitutions(letterGothic, fixedPitchFallbacks);
        return true;
    }();
    (void)installed;
}

bool isFixedPitchName(const QString &name) {
    return name.compare(courierNew, Qt::CaseInsensitive) == 0 ||
           name.compare(letterGothic, Qt::CaseInsensitive) == 0 ||
           name.compare(QStringLiteral("Courier"), Qt::CaseInsensitive) == 0;
}

double advanceMm(const QFont &font) {
    const QFontMetricsF metrics(font, &metricsDevice());
    return metrics.horizontalAdvance(QString(50, QLatin1Char('M'))) / 50.0 / metricsDpi * mmPerInch;
}

bool onlyEmptyLines(const QList<QtPrinter::Placed> &page) {
    return std::all_of(page.begin(), page.end(),
                       [](const QtPrinter::Placed &p) { return p.text.isEmpty(); });
}

const QString msgCannotOpen =
    QStringLiteral("Impression impossible : l'imprimante n'a pas pu être ouverte.");
const QString msgCannotPage = QStringLiteral("Impression impossible : nouvelle page refusée.");

} // namespace

QFont printerFont(const QString &name, double points, bool bold) {
    installSubstitutions();
    QFont font(name);
    font.setPointSizeF(points > 0 ? points : 1);
    font.setBold(bold);
    if (isFixedPitchName(name)) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        font.setKerning(false);
        // Without any of the fallbacks, still never a proportional font: the columns of a
        // log or a label only line up in a fixed pitch.
        if (!QFontInfo(font).fixedPitch()) {
            QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
            font.setFamilies({system.family()});
        }
        if (name.compare(letterGothic, Qt::CaseInsensitive) == 0) {
            // Letter Gothic's pitch is half its size (12 characters to the inch at 12 points).
            const double wanted = points * 0.5 / 72.0 * mmPerInch;
            const double natural = advanceMm(font);
            if (natural > 0)
                font.setStretch(std::clamp(int(std::lround(100.0 * wanted / natural)), 1, 4000));
        }
    }
    return font;
}

double printerLineHeightMm(const QFont &font) {
    const QFontMetricsF metrics(font, &metricsDevice());
    return metrics.lineSpacing() / metricsDpi * mmPerInch;
}

QtPrinter::QtPrinter(QPrinter *printer, Target target, QWidget *dialogParent)
    : printer_(printer), target_(target), dialogParent_(dialogParent) {
    if (target_ == Target::Pdf || !printer_) {
        target_ = Target::Pdf;
        printer_ = nullptr;
        buffer_ = std::make_unique<QBuffer>();
        buffer_->open(QIODevice::WriteOnly);
        writer_ = std::make_unique<QPdfWriter>(buffer_.get());
        writer_->setResolution(metricsDpi);
        writer_->setCreator(QStringLiteral("ZEP_Rozadovev"));
    }
}

QtPrinter::QtPrinter(const QPageLayout &layout) : QtPrinter(nullptr, Target::Pdf) {
    writer_->setPageLayout(layout);
}

QtPrinter::~QtPrinter() {
    if (painter_ && painter_->isActive())
        painter_->end();
}

bool QtPrinter::choosePrinter() {
    if (target_ != Target::Printer)
        return true;
    QPrintDialog dialog(printer_, dialogParent_);
    dialog.setWindowTitle(QStringLiteral("Imprimer"));
    return dialog.exec() == QDialog::Accepted;
}

const QtPrinter::ResolvedFont &QtPrinter::currentFont() {
    const QString key = font_ + QLatin1Char('|') + QString::number(size_) +
                        (bold_ ? QLatin1String("|b") : QLatin1String("|"));
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
        const QFont font = printerFont(font_, size_, bold_);
        it = fonts_.insert(key, {font, printerLineHeightMm(font)});
    }
    return *it;
}

QPagedPaintDevice *QtPrinter::device() {
    if (writer_)
        return writer_.get();
    return printer_;
}

QRectF QtPrinter::printableMm() {
    const QPageLayout layout = writer_ && !toFile_ ? writer_->pageLayout() : printer_->pageLayout();
    return layout.paintRect(QPageLayout::Millimeter);
}

void QtPrinter::printLine(const QString &text) {
    const ResolvedFont &resolved = currentFont();
    const double height = resolved.lineHeight;
    const double pageHeight = printableMm().height();
    if (pending_.isEmpty())
        pending_.append(Page());
    // A line that does not fit goes to the top of a new page; a page that has nothing yet
    // keeps it, whatever its position, so that no line can push out endless empty pages.
    if (!onePage_ && y_ + dy_ + height > pageHeight + 1e-6 && !pending_.last().isEmpty()) {
        pending_.append(Page());
        y_ = 0;
    }
    pending_.last().append({text, resolved.font, x_ + dx_, y_ + dy_});
    x_ = 0;
    y_ += height;
}

void QtPrinter::fail(const QString &message) {
    if (status_.ok)
        status_ = IoResult::failure(message);
    qWarning().noquote() << message;
}

bool QtPrinter::beginDocument() {
    if (target_ == Target::Printer && !documentStarted_) {
        // "Print to file" in the dialog: the document is made in memory and written through
        // the crash-safe file path at the end, so a failing disk never leaves half a file.
        if (printer_->outputFormat() == QPrinter::PdfFormat &&
            !printer_->outputFileName().isEmpty()) {
            outputFile_ = printer_->outputFileName();
            toFile_ = true;
            buffer_ = std::make_unique<QBuffer>();
            buffer_->open(QIODevice::WriteOnly);
            writer_ = std::make_unique<QPdfWriter>(buffer_.get());
            writer_->setResolution(metricsDpi);
            writer_->setPageLayout(printer_->pageLayout());
            writer_->setCreator(QStringLiteral("ZEP_Rozadovev"));
            writer_->setTitle(printer_->docName());
        }
    }
    documentStarted_ = true;
    if (painter_) {
        if (device()->newPage())
            return true;
        fail(msgCannotPage);
        return false;
    }
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(device())) {
        painter_.reset();
        fail(msgCannotOpen);
        return false;
    }
    return true;
}

void QtPrinter::drawPages(const QList<Page> &pages) {
    QPagedPaintDevice *target = device();
    const double pixelsPerMmX = target->logicalDpiX() / mmPerInch;
    const double pixelsPerMmY = target->logicalDpiY() / mmPerInch;
    QFont font;
    bool fontSet = false;
    double ascent = 0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !target->newPage()) {
            fail(msgCannotPage);
            return;
        }
        for (const Placed &line : pages[i]) {
            if (line.text.isEmpty())
                continue;
            // Lines of one font follow each other: its metrics are taken once per change.
            if (!fontSet || line.font != font) {
                font = line.font;
                fontSet = true;
                painter_->setFont(font);
                ascent = QFontMetricsF(font, target).ascent();
            }
            painter_->drawText(QPointF(line.x * pixelsPerMmX, line.y * pixelsPerMmY + ascent),
                               line.text);
        }
        ++pagesDrawn_;
    }
}

void QtPrinter::endJob() {
    QList<Page> pages = std::move(pending_);
    pending_.clear();
    x_ = y_ = 0;
    // Pages holding nothing but empty lines at the end would come out as blank sheets.
    while (!pages.isEmpty() && onlyEmptyLines(pages.last()))
        pages.removeLast();
    if (pages.isEmpty())
        return;
    if (!beginDocument())
        return;
    drawPages(pages);
    // On a printer each job is a document of its own; into a file or the preview the jobs of
    // one run follow each other in one document, which stays open until `finish`.
    const bool oneDocument = target_ != Target::Printer || toFile_;
    if (!oneDocument) {
        painter_->end();
        painter_.reset();
    }
}

void QtPrinter::discardJob() {
    pending_.clear();
    x_ = y_ = 0;
}

IoResult QtPrinter::finish() {
    if (!pending_.isEmpty())
        endJob();
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
    if (toFile_ && status_.ok) {
        toFile_ = false;
        const QString scratch =
            QLatin1Char('.') + QFileInfo(outputFile_).fileName() + QStringLiteral(".part");
        IoResult written = writeBytesFile(outputFile_, buffer_->data(), scratch);
        if (!written)
            fail(written.message);
    }
    return status_;
}

QByteArray QtPrinter::pdf() const {
    return buffer_ ? buffer_->data() : QByteArray();
}

IoResult printToPdfBytes(const PrintJob &job, QByteArray &pdf) {
    QtPrinter printer(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    job(printer);
    IoResult status = printer.finish();
    pdf = printer.pdf();
    return status;
}

IoResult printToPdf(const PrintJob &job, const QString &pdfPath) {
    QByteArray pdf;
    if (IoResult status = printToPdfBytes(job, pdf); !status)
        return status;
    const QString scratch =
        QLatin1Char('.') + QFileInfo(pdfPath).fileName() + QStringLiteral(".part");
    return writeBytesFile(pdfPath, pdf, scratch);
}

namespace {

class QtPrintService : public PrintService {
public:
    explicit QtPrintService(Dialogs *dialogs) : dialogs_(dialogs) {}

    void print(const PrintJob &job, QWidget *parent) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(QStringLiteral("ZEP_Rozadovev"));
        QtPrinter out(&printer, QtPrinter::Target::Printer, parent);
        job(out);
        report(out.finish());
    }

    void preview(const PrintJob &job, QWidget *parent) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(QStringLiteral("ZEP_Rozadovev"));
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("Aperçu avant impression"));
        // The preview asks for its pages again whenever the page set-up changes, and once more
        // when its own print button is used: each time the job runs afresh, without a dialog.
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [this, &job](QPrinter *target) {
                             QtPrinter out(target, QtPrinter::Target::Preview);
                             job(out);
                             report(out.finish());
                         });
        dialog.exec();
    }

private:
    void report(const IoResult &status) {
        if (!status && dialogs_)
            dialogs_->message(status.message);
    }
    Dialogs *dialogs_;
};

} // namespace

std::unique_ptr<PrintService> makeQtPrintService(Dialogs *dialogs) {
    return std::make_unique<QtPrintService>(dialogs);
}

} // namespace zep
