#include "widgets/FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QStringLiteral("Find"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);

    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    FindEdit = new QLineEdit(this);
    FindEdit->setObjectName(QStringLiteral("FindEdit"));
    label->setBuddy(FindEdit);

    WholeWordCheck = new QCheckBox(QStringLiteral("Match &whole word only"), this);
    WholeWordCheck->setObjectName(QStringLiteral("WholeWordCheck"));
    MatchCaseCheck = new QCheckBox(QStringLiteral("Match &case"), this);
    MatchCaseCheck->setObjectName(QStringLiteral("MatchCaseCheck"));
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    UpButton = new QRadioButton(QStringLiteral("&Up"), direction);
    UpButton->setObjectName(QStringLiteral("UpButton"));
    DownButton = new QRadioButton(QStringLiteral("&Down"), direction);
    DownButton->setObjectName(QStringLiteral("DownButton"));
    DownButton->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(UpButton);
    directionLayout->addWidget(DownButton);
    for (QWidget* option :
         {static_cast<QWidget*>(WholeWordCheck), static_cast<QWidget*>(MatchCaseCheck),
          static_cast<QWidget*>(direction)}) {
        option->setEnabled(false);
    }

    FindNextButton = new QPushButton(QStringLiteral("&Find Next"), this);
    FindNextButton->setObjectName(QStringLiteral("FindNextButton"));
    FindNextButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(FindEdit, 0, 1, 1, 2);
    grid->addWidget(FindNextButton, 0, 3);
    grid->addWidget(WholeWordCheck, 1, 0, 1, 2);
    grid->addWidget(direction, 1, 2, 2, 1);
    grid->addWidget(CancelButton, 1, 3);
    grid->addWidget(MatchCaseCheck, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    const auto updateFindNext = [this] { FindNextButton->setEnabled(!FindEdit->text().isEmpty()); };
    connect(FindEdit, &QLineEdit::textChanged, this, updateFindNext);
    updateFindNext();
    connect(FindNextButton, &QPushButton::clicked, this, &TFindDialog::FindNextButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::close);
}

TFindDialog::~TFindDialog() = default;

bool TFindDialog::Execute() {
    show();
    raise();
    activateWindow();
    FindEdit->selectAll();
    FindEdit->setFocus();
    return isVisible();
}

QString TFindDialog::FindText() const { return FindEdit->text(); }

void TFindDialog::SetFindText(const QString& text) { FindEdit->setText(text); }

void TFindDialog::FindNextButtonClick() {
    if (FindEdit->text().isEmpty()) return;
    if (OnFind) OnFind();
}
