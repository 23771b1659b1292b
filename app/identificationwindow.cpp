// SPDX-License-Identifier: GPL-3.0-or-later
#include "identificationwindow.h"

#include "identificationtext.h"
#include "windowtexts.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

IdentificationWindow::IdentificationWindow(const Identification &result, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("IdentificationWindow"));
    setWindowTitle(WindowTexts::IdentifyCaption);
    auto *layout = new QVBoxLayout(this);

    const QString suggestion = IdentificationText::suggestion(result);
    if (!suggestion.isEmpty()) {
        auto *hint = new QLabel(suggestion, this);
        hint->setObjectName(QStringLiteral("suggestion"));
        hint->setWordWrap(true);
        layout->addWidget(hint);
    }

    auto *answers = new QPlainTextEdit(this);
    answers->setObjectName(QStringLiteral("answers"));
    answers->setReadOnly(true);
    answers->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    answers->setPlainText(IdentificationText::format(result));
    layout->addWidget(answers);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *copy = buttons->addButton(QStringLiteral("&Copiar"), QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [answers, suggestion] {
        QString text = answers->toPlainText();
        if (!suggestion.isEmpty())
            text = suggestion + QLatin1Char('\n') + text;
        QApplication::clipboard()->setText(text);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 480);
}
