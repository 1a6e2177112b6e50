#pragma once

#include "model/configschema.h"

namespace kliv::test {

// Every field away from its start-up value, each as the page can show it.
inline Configuration allChanged() {
    Configuration c;
    c.cb_rs485 = 7;
    c.z_umin_v = 180;
    c.st_zumin_t = 11;
    c.z_umax_v = 260;
    c.st_zumax_t = 12;
    c.z_uasm = 31;
    c.st_zuasm_t = 13;
    c.z_ihol_a = 14;
    c.z_ihol_t = 61;
    c.z_iasm = 26;
    c.st_ziasm_t = 15;
    c.z_inom_a = 151;
    c.z_vtz_t = 301;
    c.z_izkl_a = 451;
    c.st_zizakl_t = 31;
    c.z_idif_a = 11;
    c.st_zidif_t = 6;
    c.z_iso_r = 1;
    c.z_iso_ok = false;
    c.p_uf_c = 2;
    c.p_if_c = 3;
    c.blok_z = true;
    c.z_umin_ok = true;
    c.z_umax_ok = true;
    c.z_uasm_ok = false;
    c.z_ihol_ok = true;
    c.z_iasm_ok = false;
    c.z_ivtz_ok = false;
    c.z_zakl_ok = false;
    c.z_idif_ok = false;
    c.pcosf = -12;
    c.st_kua = 571;
    c.st_kub = 572;
    c.st_kuc = 573;
    c.st_kia = 201;
    c.st_kib = 202;
    c.st_kic = 203;
    c.st_kidif = 5001;
    c.tipo_text = QStringLiteral("Насос \"А\" 16 зн");
    c.oust_text = QStringLiteral("  Цех 4  ");
    c.cb_uprotbus = 1;
    c.sp_uaddr = 17;
    c.sp_utb = 9;
    c.sp_ute = 4;
    return c;
}

} // namespace kliv::test
