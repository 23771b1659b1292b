// How each of the three dialogue buttons starts its dialogue with the modem.
#pragma once

#include "dialogueengine.h"
#include "dialoguestate.h"
#include "systemtexts.h"

namespace OperatorActions {

// "Configurar": factory profile with numeric results and no echo, then the stored list.
inline const DialogueStart Configurar{SystemTexts::InfoInitialising, SystemTexts::CmdConfigWake,
                                      Dialogue::ConfigWake};
// "Desconfigurar": back to the factory profile.
inline const DialogueStart Desconfigurar{SystemTexts::InfoSendingFactory, SystemTexts::CmdFactory,
                                         Dialogue::FactoryReset};
// "Preguntar al modem...": the status line keeps what it shows (null info text).
inline const DialogueStart Preguntar{QString(), SystemTexts::CmdQueryWake, Dialogue::QueryWake};

} // namespace OperatorActions
