#include "cluster/Annonces.h"

#include "platform/Accessibility.h"
#include "platform/Colors.h"
#include "platform/StatusLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace zep {

int spotLifetimeMinutes(const SettingsStore &settings) {
    bool ok = false;
    const int minutes =
        settings.read(keys::annoncesDuree, QStringLiteral("30")).trimmed().toInt(&ok);
    return ok && minutes >= 1 && minutes <= 1440 ? minutes : 30;
}

Annonces::Annonces(SettingsStore &settings, const Clock &clock, SpotContext context,
                   std::function<void(const spots::Spot &)> take, std::function<void()> back,
                   QWidget *parent)
    : QWidget(parent, Qt::Window), settings_(settings), clock_(clock), context_(std::move(context)),
      take_(std::move(take)), back_(std::move(back)),
      list_(1000, qint64(spotLifetimeMinutes(settings)) * 60 * 1000), model_(this) {
    setObjectName(QStringLiteral("Annonces"));
    setWindowTitle(QStringLiteral("Annonces"));

    Bande_En_Cours = new QCheckBox(QStringLiteral("Bande en cours"), this);
    Bande_En_Cours->setObjectName(QStringLiteral("Bande_En_Cours"));
    References_Seulement = new QCheckBox(QStringLiteral("Références seulement"), this);
    References_Seulement->setObjectName(QStringLiteral("References_Seulement"));
    Mode_Filtre = new QComboBox(this);
    Mode_Filtre->setObjectName(QStringLiteral("Mode_Filtre"));
    Mode_Filtre->addItems({QStringLiteral("Tous les modes"), QStringLiteral("SSB"),
                           QStringLiteral("CW"), QStringLiteral("FM"), QStringLiteral("FT8"),
                           QStringLiteral("FT4"), QStringLiteral("RTTY")});
    access::name(Mode_Filtre, QStringLiteral("Mode"));

    Liste = new QTableView(this);
    Liste->setObjectName(QStringLiteral("Liste"));
    Liste->setModel(&model_);
    Liste->setSelectionBehavior(QAbstractItemView::SelectRows);
    Liste->setSelectionMode(QAbstractItemView::SingleSelection);
    Liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Liste->verticalHeader()->hide();
    Liste->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Liste->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    Liste->horizontalHeader()->setStretchLastSection(true);
    Liste->setWordWrap(false);
    Liste->installEventFilter(this);
    access::name(Liste, QStringLiteral("Liste des annonces"));
    const int widths[] = {50, 80, 100, 100, 300};
    for (int c = 0; c < int(std::size(widths)); ++c)
        Liste->setColumnWidth(c, widths[c]);

    Etat_Cluster = new StatusLabel(QStringLiteral("Cluster"), this);
    Etat_Cluster->setObjectName(QStringLiteral("Etat_Cluster"));
    Etat_POTA = new StatusLabel(QStringLiteral("POTA"), this);
    Etat_POTA->setObjectName(QStringLiteral("Etat_POTA"));
    Nouvelle_Annonce = new StatusLabel(QStringLiteral("Annonce"), this);
    Nouvelle_Annonce->setObjectName(QStringLiteral("Nouvelle_Annonce"));
    Nouvelle_Annonce->announceWhen([](const QString &text) { return !text.isEmpty(); });

    auto *filters = new QHBoxLayout;
    filters->addWidget(Bande_En_Cours);
    filters->addWidget(References_Seulement);
    filters->addWidget(Mode_Filtre);
    filters->addStretch();
    auto *states = new QHBoxLayout;
    states->addWidget(Etat_Cluster);
    states->addWidget(Etat_POTA);
    states->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(Liste, 1);
    layout->addWidget(Nouvelle_Annonce);
    layout->addLayout(states);

    connect(Bande_En_Cours, &QCheckBox::toggled, this, &Annonces::refresh);
    connect(References_Seulement, &QCheckBox::toggled, this, &Annonces::refresh);
    connect(Mode_Filtre, &QComboBox::currentIndexChanged, this, &Annonces::refresh);
    connect(Liste, &QTableView::doubleClicked, this, [this] { takeCurrent(); });

    // Old spots go once a minute; the list shows what is kept.
    expiry_ = new QTimer(this);
    connect(expiry_, &QTimer::timeout, this, [this] {
        if (list_.expire(clock_.utcNow().toMSecsSinceEpoch()))
            refresh();
    });
    expiry_->start(std::chrono::minutes(1));
}

Annonces::~Annonces() = default;

void Annonces::Form_Load() {
    if (!placed_) {
        placed_ = true;
        const QStringList place =
            settings_.read(keys::annoncesPosition, QString()).split(QLatin1Char(','));
        bool ok = place.size() == 4;
        int v[4] = {};
        for (int i = 0; ok && i < 4; ++i)
            v[i] = place[i].trimmed().toInt(&ok);
        if (ok && v[2] >= 200 && v[3] >= 150 && v[2] <= 10000 && v[3] <= 10000) {
            resize(v[2], v[3]);
            move(v[0], v[1]);
        } else {
            resize(760, 420);
            centreOnScreen(this);
        }
    }
    refresh();
    show();
    raise();
    activateWindow();
    Liste->setFocus();
    if (!Liste->currentIndex().isValid() && model_.rowCount() > 0)
        Liste->setCurrentIndex(model_.index(0, 0));
}

void Annonces::addSpots(const QList<spots::Spot> &spots) {
    const QStringList programmes = context_.programmes ? context_.programmes() : QStringList();
    const QStringList bands = context_.bands ? context_.bands() : QStringList();
    QList<spots::Spot> taken;
    taken.reserve(spots.size());
    for (spots::Spot spot : spots) {
        spots::recognise(spot, programmes);
        spot.band = spots::bandText(spot.kHz, bands);
        list_.add(spot);
        taken.append(std::move(spot));
    }
    list_.expire(clock_.utcNow().toMSecsSinceEpoch());
    refresh();
    announceNew(taken);
}

void Annonces::setWorked(spots::WorkedSet worked) {
    worked_ = std::move(worked);
    refresh();
}

void Annonces::refresh() {
    // The operator's row stays the current one when the rows change under it.
    std::optional<spots::Spot> current;
    if (const spots::Spot *s = model_.spotAt(Liste->currentIndex().row()))
        current = *s;
    const int column = std::max(0, Liste->currentIndex().column());
    spots::SpotFilter filter;
    if (Bande_En_Cours->isChecked() && context_.band)
        filter.band = context_.band();
    filter.referencesOnly = References_Seulement->isChecked();
    if (Mode_Filtre->currentIndex() > 0)
        filter.mode = Mode_Filtre->currentText();
    const QStringList bands = context_.bands ? context_.bands() : QStringList();
    model_.show(spots::visibleRows(list_, filter, worked_, bands,
                                   context_.mode ? context_.mode() : QString()));
    if (current) {
        const int row = model_.rowOf(*current);
        if (row >= 0)
            Liste->setCurrentIndex(model_.index(row, column));
    }
}

bool Annonces::takeCurrent() {
    const spots::Spot *spot = model_.spotAt(Liste->currentIndex().row());
    if (!spot)
        return false;
    const spots::Spot copy = *spot; // the list may change while the spot is taken
    if (take_)
        take_(copy);
    return true;
}

void Annonces::announceNew(const QList<spots::Spot> &spots) {
    if (!context_.band)
        return;
    const QString band = context_.band();
    for (const spots::Spot &s : spots) {
        if (s.reference.isEmpty() || s.band != band)
            continue;
        const QString key = s.call + QLatin1Char('|') + s.reference;
        if (announced_.contains(key))
            continue;
        if (announced_.size() >= 5000)
            announced_.clear();
        announced_.insert(key);
        Nouvelle_Annonce->setText(QStringLiteral("Annonce : %1 %2 sur %3 kHz")
                                      .arg(s.call, s.reference, QString::number(s.kHz, 'f', 1)));
    }
}

bool Annonces::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Liste && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            takeCurrent();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            if (back_)
                back_();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Annonces::hideEvent(QHideEvent *event) {
    keepPlace();
    QWidget::hideEvent(event);
}

void Annonces::keepPlace() {
    const QRect g = geometry();
    settings_.write(
        keys::annoncesPosition,
        QStringLiteral("%1,%2,%3,%4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
}

} // namespace zep
