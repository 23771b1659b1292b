// SPDX-License-Identifier: GPL-3.0-or-later
// The state each of the three dialogue buttons starts its dialogue in.
#pragma once

#include "dialoguestate.h"

namespace OperatorActions {

// "Configurar": factory profile with numeric results and no echo, then the stored list.
inline constexpr Dialogue::State Configurar = Dialogue::ConfigWake;
// "Desconfigurar": back to the factory profile.
inline constexpr Dialogue::State Desconfigurar = Dialogue::FactoryReset;
// "Preguntar al modem...": the status line keeps what it shows.
inline constexpr Dialogue::State Preguntar = Dialogue::QueryWake;

} // namespace OperatorActions
