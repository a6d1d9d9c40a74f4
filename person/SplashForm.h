// TSplashform: the program's About box.
#pragma once

#include <QDialog>
#include <QUrl>

#include "widgets/TUrlLabel.h"

class QFrame;
class QLabel;
class QPushButton;

// A fixed 455 by 262 dialog captioned "About Lineatum", without border icons and on top of other
// windows, in Arial 8 pt (a sans-serif face where Arial is missing): a blue panel with the
// product name and its version, the panel URLPanel with the maker's web address as a link, and
// "Ok". Controls carry their names as objectNames.
//
// Usage (the main window's About1Click): create with the web address, SetUrlOpener, centre,
// show URLPanel, exec, destroy. User-interface thread only.
class TSplashform : public QDialog {
    Q_OBJECT

public:
    static const QString kCaption;

    // Builds the box (FormCreate). `webSite` becomes the link's caption; `version`, such as
    // "0.1", is shown as "Version 0.1" under the product name, or "GEDCOM viewer" when empty.
    explicit TSplashform(const QUrl& webSite, const QString& version = QString(),
                         QWidget* parent = nullptr);
    ~TSplashform() override;

    // How the link opens its address; the main window passes its own opener. An empty opener
    // puts QDesktopServices::openUrl back.
    void SetUrlOpener(TUrlLabel::UrlOpener opener);

    // "Ok": closes the box with Accepted.
    void OkbuttonClick();

    // The controls, named as their objectName()s. Owned by the box.
    QFrame* ProductPanel = nullptr;
    QLabel* ProductLabel = nullptr;
    // Hidden when built; FormCreate shows it.
    QFrame* URLPanel = nullptr;
    QLabel* VisitLabel = nullptr;
    TUrlLabel* UrlLabel = nullptr;
    QPushButton* Okbutton = nullptr;

private:
    void FormCreate();
};
