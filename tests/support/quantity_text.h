#pragma once

namespace korvan::testing {

// The header line of a register map (quantity file) as the program writes it, Windows-1250.
inline constexpr char kHeaderLine[] =
    "Registr;Adresa;Popis;Typ \xE8\xEDsla;N\xE1sobitel;Minimum;Maximum;Ofset\r\n";

// A register map as technicians keep them: an energy meter's (Windows-1250).
inline constexpr char kMeterMap[] =
    "Registr;Adresa;Popis;Typ \xE8\xEDsla;N\xE1sobitel;Minimum;Maximum;Ofset\r\n"
    "I;0000h;Nap\xECt\xED L1-N;F4;1;0;400;0\r\n"
    "I;0002h;Nap\xECt\xED L2-N;F4;1;0;400;0\r\n"
    "I;0004h;Nap\xECt\xED L3-N;F4;1;0;400;0\r\n"
    "I;0006h;Proud L1;F4;1;0;100;0\r\n"
    "I;0008h;Proud L2;F4;1;0;100;0\r\n"
    "I;000Ah;Proud L3;F4;1;0;100;0\r\n"
    "I;000Ch;\xC8inn\xFD v\xFDkon celkem;F4;0,001;-500;500;0\r\n"
    "I;000Eh;Jalov\xFD v\xFDkon celkem;F4;0,001;-500;500;0\r\n"
    "I;0010h;\xDA\x9Ainik cos fi;S2;0,01;-1;1;0\r\n"
    "I;0012h;Frekvence;U2;0,1;45;55;0\r\n"
    "H;0100h;Energie \xE8inn\xE1 odb\xECr;U4;0,1;0;0;0\r\n"
    "H;0102h;Energie \xE8inn\xE1 dod\xE1vka;U4;0,1;0;0;0\r\n"
    "H;0200h;Teplota rozvad\xEC\xE8"
    "e;S2;0,1;-40;85;-2,5\r\n";

}  // namespace korvan::testing
