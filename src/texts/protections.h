#pragma once

#include <array>

namespace kliv::protections {

// The relay's eight protections. The bit is the same in every byte that names them: the
// live record's picking-up and operated bytes, the configuration's enable byte and the
// event record's protection byte.
struct Protection {
    int bit;
    const char* key;           // stable name for scripts: "umin"
    const char* eventName;     // as the event log names the protection that acted
    const char* panelCaption;  // the diagnostics page's state panel
    const char* enableControl; // the configuration page's enable box
    const char* enableCaption; // the caption of that box
};

inline constexpr int Count = 8;

inline constexpr std::array<Protection, Count> All = {{
    {0, "umin", "Umin", "Umin:", "z_umin_ok", "Umin:"},
    {1, "umax", "Umax", "Umax:", "z_umax_ok", "Umax:"},
    {2, "uasm", "Uасм", "Uасм:", "z_uasm_ok", "Uасм:"},
    {3, "ihol", "Iхол", "Хол. ход:", "z_ihol_ok", "Iхол:"},
    {4, "iasm", "Iасм", "Iасм:", "z_iasm_ok", "Iасм:"},
    {5, "ivtz", "Перегруз", "Iвтз:", "z_ivtz_ok", "Перегруз:"},
    {6, "zakl", "Заклинивание", "Заклин.:", "z_zakl_ok", "Заклинивание"},
    {7, "idif", "Утечка тока", "Iут.:", "z_idif_ok", "Iут:"},
}};

} // namespace kliv::protections
