// The "Comandos" window: edits the stored list of AT command bodies.
#pragma once

#include <QDialog>

class cfglis : public QDialog
{
    Q_OBJECT
public:
    explicit cfglis(QWidget *parent = nullptr);
    ~cfglis() override;
};
