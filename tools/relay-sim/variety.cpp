#include "variety.h"

#include "model/configschema.h"

namespace kliv::sim {

const Variety& varietyAt(int place) {
    return Varieties[std::size_t(place < 0 ? 0 : place) % Varieties.size()];
}

QByteArray startBlock(int place) {
    const Variety& v = varietyAt(place);
    Configuration c;
    c.z_inom_a = v.nominalCurrent;
    c.sp_uaddr = v.fieldBusAddress;
    c.oust_text = QString::fromUtf8(v.site);
    return config::encode(c);
}

} // namespace kliv::sim
