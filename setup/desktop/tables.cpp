// The ten packages and the two ways to reach one: by device model, or by
// operating system, processor, speed and display.
#include "setup.h"

const PackageRow PackageTable[PACKAGE_COUNT] = {
    {u"CE30\\ARM_BW4\\", u"Lumtrax.GER_CE30_ARM_BW4.CAB"},
    {u"CE30\\ARM_C12\\", u"Lumtrax.GER_CE30_ARM_C12.CAB"},
    {u"CE30\\ARM_C16\\", u"Lumtrax.GER_CE30_ARM_C16.CAB"},
    {u"CE30\\MIPS131_C16\\", u"Lumtrax.GER_CE30_MIPS131_C16.CAB"},
    {u"CE30\\MIPS150_C16\\", u"Lumtrax.GER_CE30_MIPS150_C16.CAB"},
    {u"CE30\\MIPS200_C16\\", u"Lumtrax.GER_CE30_MIPS200_C16.CAB"},
    {u"CE30\\SH3_C12\\", u"Lumtrax.GER_CE30_SH3_C12.CAB"},
    {u"CE2002\\ARM_BW4\\", u"Lumtrax.GER_CE2002_ARM_BW4.CAB"},
    {u"CE2002\\ARM_C12\\", u"Lumtrax.GER_CE2002_ARM_C12.CAB"},
    {u"CE2002\\ARM_C16\\", u"Lumtrax.GER_CE2002_ARM_C16.CAB"},
};

const DeviceMaker DeviceTable[MAKER_COUNT] = {
    {u"Compaq", 9, {{u"iPAQ 3500 series", 0}, {u"iPAQ 3500 series(PPC2002)", 7}, {u"iPAQ 3600 series", 1},
                    {u"iPAQ 3600 series(PPC2002)", 8}, {u"iPAQ 3700 series", 8}, {u"iPAQ 3800 series", 9},
                    {u"iPAQ 3900 series", 9}, {u"iPAQ 5400 series", 9}, {u"iPAQ 1900 series", 9}}},
    {u"HP", 2, {{u"Jornada 548", 6}, {u"Jornada 568", 9}}},
    {u"Toshiba", 5, {{u"GENIO e310", 9}, {u"GENIO e550G", 9}, {u"GENIO e550 series", 9}, {u"GENIO e570", 9},
                     {u"GENIO e740", 9}}},
    {u"Fujitsu", 1, {{u"PocketLOOX 600", 9}}},
    {u"Casio", 7, {{u"E-100", 3}, {u"E-115", 3}, {u"E-125 - 150MHz", 4}, {u"E-125 - 200MHz", 5}, {u"EM500", 4},
                   {u"E-200", 9}, {u"GFORT", 4}}},
    {u"NEC", 1, {{u"MobilePro 300E", 9}}},
    {u"Acer", 2, {{u"n20 Handheld", 9}, {u"n20w Handheld", 9}}},
    {u"Yakumo", 2, {{u"PDA alpha", 9}, {u"PDA delta", 9}}},
    {u"ZayoTech", 1, {{u"Zayo A600", 9}}},
    {u"O2", 1, {{u"O2 XDA", 9}}},
    {u"T-Mobile", 1, {{u"T-Mobile MDA", 9}}},
    {u"DELL", 1, {{u"Axim X5", 9}}},
    {u"Audiovox", 2, {{u"Maestro PocketPC", 9}, {u"Thera", 9}}},
    {u"AIDII", 3, {{u"AIDII PD131C", 3}, {u"AIDII PD500C", 3}, {u"AIDII PD600C", 2}}},
};

#define GREY u"16 Graustufen"
#define C12 u"4096 Farben"
#define C16 u"65536 Farben"

const HardwareOs HardwareTable[2] = {
    // "PocketPC"
    {3,
     {{u"ARM", 1, {u"206"}, 3, {GREY, C12, C16}},
      {u"MIPS", 3, {u"131", u"150", u"200"}, 1, {C16}},
      {u"SH3", 1, {u"133"}, 1, {C12}}}},
    // "PocketPC 2002"
    {2, {{u"ARM", 1, {u"206"}, 3, {GREY, C12, C16}}, {u"XScale", 1, {u"400"}, 1, {C16}}}},
};

const signed char HardwarePackage[2][4][3][3] = {
    {{{0, 1, 2}}, {{3}, {4}, {5}}, {{6}}},
    {{{7, 8, 9}}, {{9}}},
};
