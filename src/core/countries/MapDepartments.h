#pragma once

#include <QObject>
#include <QString>

#include <array>

namespace zep {

/// What the departments map shows: the map labels 0 to 99 worked on one band and mode, as the
/// last painting left them. It outlives the map window, so that the entry window keeps it up to
/// date after every change of the log while the map is closed; an open map paints from it.
class MapDepartments : public QObject {
    Q_OBJECT
public:
    static constexpr int labels = 100;
    using Worked = std::array<bool, labels>;

    /// Caption of label `index`: "01".."95", "2a", "2b" (and "X" for the map's spare labels).
    static QString caption(int index);

    /// Takes a new painting; `changed` is emitted only when something shown differs.
    void show(const Worked &worked, const QString &band, const QString &mode);

    bool isWorked(int label) const {
        return label >= 0 && label < labels && worked_[static_cast<size_t>(label)];
    }
    const Worked &worked() const { return worked_; }
    /// The band and mode of the last painting (empty before the first one).
    const QString &band() const { return band_; }
    const QString &mode() const { return mode_; }
    /// Labels 1 to 99 worked: "20" counts, "00" never does.
    int count() const { return count_; }
    /// True once a painting has been taken.
    bool painted() const { return painted_; }

signals:
    void changed();

private:
    Worked worked_{};
    QString band_, mode_;
    int count_ = 0;
    bool painted_ = false;
};

} // namespace zep
