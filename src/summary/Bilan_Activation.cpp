#include "summary/Bilan_Activation.h"

#include "core/countries/CountriesWorked.h"
#include "core/countries/PrefixTable.h"
#include "core/io/ProgramDirectory.h"
#include "core/io/TextFile.h"
#include "reports/DepartmentMapView.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QPieSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <QValueAxis>

namespace zep {

struct Bilan_Activation::Computed {
    ActivationSummary summary;
    QString problem; ///< the log could not be read
};

namespace {

QChart *newChart(const QString &title) {
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(2, 2, 2, 2));
    return chart;
}

QChartView *viewOf(QChart *chart, const QString &name, QWidget *parent) {
    auto *view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(260, 190);
    view->setAccessibleName(chart->title());
    return view;
}

/// A bar per tally, the names along the axis.
void drawBars(QChart *chart, const QList<Tally> &tallies, bool horizontal) {
    auto *set = new QBarSet(chart->title());
    QStringList names;
    int most = 0;
    for (const Tally &t : tallies) {
        *set << t.qsos;
        names << t.name;
        most = std::max(most, t.qsos);
    }
    auto *names_axis = new QBarCategoryAxis;
    names_axis->append(names);
    names_axis->setTruncateLabels(false); // a country's name whole, the bars narrower
    auto *counts = new QValueAxis;
    counts->setRange(0, std::max(1, most));
    counts->setLabelFormat(QStringLiteral("%d"));
    QAbstractBarSeries *series = nullptr;
    if (horizontal)
        series = new QHorizontalBarSeries;
    else
        series = new QBarSeries;
    series->append(set);
    chart->addSeries(series);
    chart->addAxis(names_axis, horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(counts, horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(names_axis);
    series->attachAxis(counts);
}

void drawPie(QChart *chart, const QList<Tally> &tallies) {
    auto *series = new QPieSeries;
    for (const Tally &t : tallies)
        series->append(QStringLiteral("%1 (%2)").arg(t.name).arg(t.qsos), t.qsos);
    chart->addSeries(series);
    // The names beside the pie rather than around it, where a narrow chart would cut them.
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);
}

} // namespace

Bilan_Activation::Bilan_Activation(const WindowServices &services, SummarySource source,
                                   QWidget *parent)
    : QDialog(parent), services_(services), source_(std::move(source)) {
    setObjectName(QStringLiteral("Bilan_Activation"));
    setWindowTitle(QStringLiteral("Bilan de l'activation ") +
                   source_.references.join(QStringLiteral(" et ")));
    setAttribute(Qt::WA_DeleteOnClose);

    Chiffres = new QPlainTextEdit(this);
    Chiffres->setObjectName(QStringLiteral("Chiffres"));
    Chiffres->setReadOnly(true);
    Chiffres->setAccessibleName(QStringLiteral("Chiffres de l'activation"));
    Chiffres->setPlainText(QStringLiteral("Calcul en cours…"));
    Chiffres->setMinimumWidth(260);
    Chiffres->setMaximumWidth(320);

    Rythme = newChart(QStringLiteral("QSO par tranche de 10 minutes (UTC)"));
    Bandes = newChart(QStringLiteral("Bandes"));
    Modes = newChart(QStringLiteral("Modes"));
    Continents = newChart(QStringLiteral("Continents"));
    Pays = newChart(QStringLiteral("Les dix pays les plus contactés"));

    chartsArea_ = new QWidget(this);
    chartsArea_->setObjectName(QStringLiteral("Graphiques"));
    Carte = new DepartmentMapView(departments_, chartsArea_);
    Carte->setObjectName(QStringLiteral("Carte"));

    auto *grid = new QGridLayout(chartsArea_);
    grid->addWidget(viewOf(Rythme, QStringLiteral("Rythme"), chartsArea_), 0, 0, 1, 2);
    grid->addWidget(viewOf(Bandes, QStringLiteral("Bandes"), chartsArea_), 1, 0);
    grid->addWidget(viewOf(Modes, QStringLiteral("Modes"), chartsArea_), 1, 1);
    grid->addWidget(viewOf(Continents, QStringLiteral("Continents"), chartsArea_), 2, 0);
    grid->addWidget(viewOf(Pays, QStringLiteral("Pays"), chartsArea_), 2, 1);
    grid->addWidget(Carte, 0, 2, 3, 1);
    for (const int column : {0, 1, 2})
        grid->setColumnStretch(column, 1);

    Imprimer = new QPushButton(QStringLiteral("Imprimer"), this);
    Imprimer->setObjectName(QStringLiteral("Imprimer"));
    Apercu = new QPushButton(QStringLiteral("Aperçu"), this);
    Apercu->setObjectName(QStringLiteral("Apercu"));
    Enregistrer_Image = new QPushButton(QStringLiteral("Enregistrer l'image"), this);
    Enregistrer_Image->setObjectName(QStringLiteral("Enregistrer_Image"));
    Fermer = new QPushButton(QStringLiteral("Fermer"), this);
    Fermer->setObjectName(QStringLiteral("Fermer"));
    Imprimer->setEnabled(false);
    Apercu->setEnabled(false);
    Enregistrer_Image->setEnabled(false);
    connect(Imprimer, &QPushButton::clicked, this, &Bilan_Activation::Imprimer_Click);
    connect(Apercu, &QPushButton::clicked, this, &Bilan_Activation::Apercu_Click);
    connect(Enregistrer_Image, &QPushButton::clicked, this, [this] { Enregistrer_Image_Click(); });
    connect(Fermer, &QPushButton::clicked, this, &QDialog::close);

    auto *side = new QVBoxLayout;
    side->addWidget(Chiffres, 1);
    side->addWidget(Imprimer);
    side->addWidget(Apercu);
    side->addWidget(Enregistrer_Image);
    side->addWidget(Fermer);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(chartsArea_, 1);
    resize(1280, 760);

    // The log, the prefix table and the counting go to a worker: a log of years takes longer
    // to read than a window may take to open.
    auto result = std::make_shared<Computed>();
    const QString programDir = services_.programDir;
    const SummarySource what = source_;
    QList<ReferenceValidity> references;
    const ActivationRules rules = ActivationRules::builtIn();
    for (const QString &reference : what.references)
        references.append({reference, rules.ruleFor(reference, &services_.settings), 0});
    QThread *worker = QThread::create([result, programDir, what, references] {
        const TextLines log = readTextFile(what.logPath);
        if (!log.status && !log.missing) {
            result->problem = log.status.message;
            return;
        }
        PrefixTable::Loaded table = PrefixTable::load(dataFile(programDir, prefixTableFileName));
        if (!table.status)
            table.table = PrefixTable::parse(builtInPrefixTable());
        result->summary = summarize(log.lines, table.table, references);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &QThread::finished, this, [this, result] { showComputed(*result); });
    worker->start(QThread::LowPriority);
}

Bilan_Activation::~Bilan_Activation() = default;

void Bilan_Activation::showComputed(const Computed &computed) {
    if (!computed.problem.isEmpty()) {
        Chiffres->setPlainText(computed.problem);
        services_.dialogs.message(computed.problem);
        return;
    }
    summary_ = computed.summary;
    Chiffres->setPlainText(summaryLines(summary_).join(u'\n'));
    drawCharts();
    Imprimer->setEnabled(true);
    Apercu->setEnabled(true);
    Enregistrer_Image->setEnabled(true);
    ready_ = true;
    emit ready();
}

void Bilan_Activation::drawCharts() {
    // The rate: one point per slot, at the slot's start. The time axis shows the local time of
    // its values: each UTC time is given as the local time of the same date and hour, so that
    // the axis reads UTC.
    const auto onAxis = [](const QDateTime &utc) {
        return QDateTime(utc.date(), utc.time(), Qt::LocalTime);
    };
    auto *rate = new QLineSeries;
    auto *time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("dd/MM HH:mm"));
    if (summary_.firstSlot) {
        for (qsizetype i = 0; i < summary_.perSlot.size(); ++i)
            rate->append(
                qreal(onAxis(summary_.firstSlot->addSecs(i * ActivationSummary::slotMinutes * 60))
                          .toMSecsSinceEpoch()),
                summary_.perSlot[i]);
        time->setRange(onAxis(*summary_.firstSlot),
                       onAxis(summary_.firstSlot->addSecs(
                           qint64(std::max<qsizetype>(1, summary_.perSlot.size())) *
                           ActivationSummary::slotMinutes * 60)));
    }
    Rythme->addSeries(rate);
    auto *qsos = new QValueAxis;
    int busiest = 1;
    for (const int n : summary_.perSlot)
        busiest = std::max(busiest, n);
    qsos->setRange(0, busiest);
    qsos->setLabelFormat(QStringLiteral("%d"));
    Rythme->addAxis(time, Qt::AlignBottom);
    Rythme->addAxis(qsos, Qt::AlignLeft);
    rate->attachAxis(time);
    rate->attachAxis(qsos);

    drawBars(Bandes, summary_.bands, false);
    drawPie(Modes, summary_.modes);
    drawPie(Continents, summary_.continents);
    QList<Tally> top = summary_.entities;
    std::reverse(top.begin(), top.end()); // the most worked at the top of the chart
    drawBars(Pays, top, true);

    departments_.show(summary_.departments, QString(), QString());
    Carte->showWorked();
}

QStringList Bilan_Activation::printedLines() const {
    QStringList lines;
    lines << QStringLiteral("Bilan de l'activation ") +
                 source_.references.join(QStringLiteral(" et "))
          << QString();
    lines << summaryLines(summary_);
    const auto list = [&lines](const QString &title, const QList<Tally> &tallies) {
        QStringList parts;
        for (const Tally &t : tallies)
            parts << QStringLiteral("%1 %2").arg(t.name).arg(t.qsos);
        lines << QString() << title + QStringLiteral(" : ") + parts.join(QStringLiteral(", "));
    };
    list(QStringLiteral("Bandes"), summary_.bands);
    list(QStringLiteral("Modes"), summary_.modes);
    list(QStringLiteral("Continents"), summary_.continents);
    list(QStringLiteral("Pays les plus contactés"), summary_.entities);
    return lines;
}

PrintJob Bilan_Activation::printJob() const {
    const QStringList lines = printedLines();
    return [lines](Printer &printer) {
        printer.setOnePagePerJob(true);
        printer.setFontName(QStringLiteral("Courier New"));
        printer.setFontSize(9);
        if (!printer.choosePrinter())
            return;
        for (const QString &line : lines)
            printer.printLine(line);
        printer.endJob();
    };
}

void Bilan_Activation::Imprimer_Click() {
    services_.printing.print(printJob(), this);
}

void Bilan_Activation::Apercu_Click() {
    services_.printing.preview(printJob(), this);
}

bool Bilan_Activation::Enregistrer_Image_Click() {
    const QString proposed = services_.programDir + QStringLiteral("/Bilan ") +
                             QString(source_.references.value(0)).replace(u'/', u'-') +
                             QStringLiteral(".png");
    const auto path =
        services_.files.saveFileName(this, QStringLiteral("Enregistrer l'image"), proposed,
                                     QStringLiteral("Images PNG (*.png)"), QStringLiteral("png"));
    if (!path)
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!grab().toImage().save(&buffer, "PNG")) {
        services_.dialogs.message(QStringLiteral("L'image n'a pas pu être faite."));
        return false;
    }
    const IoResult written = writeBytesFile(*path, bytes, QStringLiteral("Temporaire.png"));
    if (!written) {
        services_.dialogs.message(written.message);
        return false;
    }
    return true;
}

} // namespace zep
