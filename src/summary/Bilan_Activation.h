#pragma once

#include "core/awards/ActivationSummary.h"
#include "core/countries/MapDepartments.h"
#include "platform/WindowServices.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QChart;
class QChartView;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace zep {

class DepartmentMapView;

/// What a summary is made of: the activation's references (two for a double activation, both
/// logs being the same) and the log to read.
struct SummarySource {
    QStringList references;
    QString logPath;
};

/// "Bilan de l'activation": the figures of an activation beside its charts (the rate per
/// 10-minute slot, the bands, the modes, the continents, the ten countries most worked, the
/// departments on the map). The log is read and counted on a worker, so that the window opens
/// at once whatever the size of the log; it only draws what core/awards computed.
class Bilan_Activation : public QDialog {
    Q_OBJECT
public:
    Bilan_Activation(const WindowServices &services, SummarySource source,
                     QWidget *parent = nullptr);
    ~Bilan_Activation() override;

    /// The figures drawn, once `ready` was emitted.
    const ActivationSummary &summary() const { return summary_; }
    bool isReady() const { return ready_; }

    /// The printout's lines: the title, the figures, then the lists the charts draw.
    QStringList printedLines() const;
    void Imprimer_Click();
    /// The same page in the print preview.
    void Apercu_Click();
    /// Saves the charts and figures as a PNG image; false when cancelled or not written.
    bool Enregistrer_Image_Click();

    QPlainTextEdit *Chiffres; ///< the figures as text, read by a screen reader
    QChart *Rythme;           ///< QSOs per 10-minute slot over the activation's time
    QChart *Bandes;
    QChart *Modes;
    QChart *Continents;
    QChart *Pays; ///< the ten countries most worked
    DepartmentMapView *Carte;
    QPushButton *Imprimer;
    QPushButton *Apercu;
    QPushButton *Enregistrer_Image;
    QPushButton *Fermer;

signals:
    /// The figures were computed and drawn.
    void ready();

private:
    struct Computed;
    void showComputed(const Computed &computed);
    void drawCharts();
    PrintJob printJob() const;
    QWidget *chartsArea_;

    const WindowServices &services_;
    SummarySource source_;
    ActivationSummary summary_;
    MapDepartments departments_;
    bool ready_ = false;
};

} // namespace zep
