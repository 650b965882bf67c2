#pragma once

namespace korvan::testing {

// The header line of a register map (quantity file) as the program writes it, Windows-1250.
inline constexpr char kHeaderLine[] =
    "Registr;Adresa;Popis;Typ \xE8\xEDsla;N\xE1sobitel;Minimum;Maximum;Ofset\r\n";

}  // namespace korvan::testing
