#pragma once

#include "platform/WindowServices.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace zep {

class DepartmentMapView;
class MapDepartments;
class EntryDoor;

/// The departments map, "Carte des départements contactés": metropolitan France with the
/// departments worked on a band and mode in light green and their number. "Afficher" paints it
/// for the band and mode chosen here; the entry window repaints it after every change of the
/// log, for its own band and mode, whether or not this window is open.
class Carte_Acti : public QWidget {
    Q_OBJECT
public:
    /// The map bands: the entry window's first nine, up to 28 MHz.
    static const QStringList bands;
    static const QStringList modes;

    Carte_Acti(EntryDoor &entry, const WindowServices &services, QWidget *parent = nullptr);

    /// Opening: centre, fill the lists, choose the saved band and mode, show the reference.
    void Form_Load();
    /// Paints the map for the chosen band and mode and shows their count.
    void Afficher_Click();
    /// Saves the map as a PNG picture where the operator chooses; false when cancelled or
    /// when the file could not be written (the operator was told).
    bool Enregistre_Image_Click();
    /// The picture that is saved: a title line (reference, band, mode, count) over the map.
    QImage picture();

    DepartmentMapView *Picture1;
    QList<QLabel *> Dep; ///< the map labels 0 to 99 (those of Picture1)
    QComboBox *Bande_A;
    QComboBox *Mode_AX;
    QPushButton *Afficher;
    QPushButton *Enregistre_Image;
    QLabel *NB_Dep;
    QLabel *Label4;
    QLabel *Bande_Affichee; ///< the band the colours are for
    QLabel *Mode_Affiche;   ///< the mode the colours are for

private:
    void showCaptions();

    EntryDoor &entry_;
    WindowServices services_;
    MapDepartments &shown_;
};

/// Opens the map from the entry window's menu without blocking it: one window at a time; asking
/// again while it is open brings it to the front as it stands.
class MapWindowOpener {
public:
    MapWindowOpener(EntryDoor &entry, const WindowServices &services);
    ~MapWindowOpener();
    MapWindowOpener(const MapWindowOpener &) = delete;
    MapWindowOpener &operator=(const MapWindowOpener &) = delete;

    Carte_Acti *open();
    /// The open window, or null once it has been closed.
    Carte_Acti *window() const { return window_; }

private:
    EntryDoor &entry_;
    WindowServices services_;
    QPointer<Carte_Acti> window_;
};

} // namespace zep
