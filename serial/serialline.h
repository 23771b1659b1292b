// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogue engine's view of the real serial port.
// Lives on its port's thread.
#pragma once

#include "lineport.h"
#include "serialport.h"

class SerialLine final : public LinePort
{
public:
    explicit SerialLine(SerialPort &port) : m_port(port) {}

    Outcome open() override { return m_port.open(); }
    void close() override { m_port.close(); }
    bool isOpen() const override { return m_port.isOpen(); }
    bool ctsHolding() const override { return m_port.ctsHolding(); }
    bool dsrHolding() const override { return m_port.dsrHolding(); }
    void setRtsEnable(bool on) override { m_port.setRtsEnable(on); }
    void setDtrEnable(bool on) override { m_port.setDtrEnable(on); }
    void discardInput() override { m_port.discardInput(); }
    void output(const QByteArray &bytes) override { m_port.output(bytes); }
    QByteArray input() override { return m_port.input(); }
    void readInto(QByteArray &into) override { m_port.readInto(into); }

private:
    SerialPort &m_port;
};
