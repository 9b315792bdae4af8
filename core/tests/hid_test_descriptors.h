// Three UPSes' report descriptors, written for these tests item by item
// from the HID Usage Tables for Power Devices (pages 0x84 and 0x85): one
// that sends input reports, one that answers feature reports only, and one
// that gets things wrong as UPSes in the field do.
#pragma once

#include <cstdint>

// Sends its state in input reports 1 to 3; its battery voltage is a
// feature report. Report ids throughout.
//   1: ACPresent, BelowRemainingCapacityLimit, Charging, Discharging,
//      ShutdownImminent (bits 0-4), 3 bits of padding
//   2: RemainingCapacity (%, 8 bits), RunTimeToEmpty (s, 16 bits),
//      PercentLoad (8 bits)
//   3: the input's Voltage (V, 16 bits, exponent 7 in volts' SI unit)
//   feature 4: the battery's Voltage (16 bits, exponent 5: centivolts)
inline constexpr uint8_t kInputReportUps[] = {
    0x05, 0x84,              // Usage Page (Power Device)
    0x09, 0x04,              // Usage (UPS)
    0xA1, 0x01,              // Collection (Application)
    0x09, 0x24,              //   Usage (PowerSummary)
    0xA1, 0x00,              //   Collection (Physical)
    0x85, 0x01,              //     Report ID (1)
    0x09, 0x02,              //     Usage (PresentStatus)
    0xA1, 0x02,              //     Collection (Logical)
    0x05, 0x85,              //       Usage Page (Battery System)
    0x09, 0xD0,              //       Usage (ACPresent)
    0x09, 0x42,              //       Usage (BelowRemainingCapacityLimit)
    0x09, 0x44,              //       Usage (Charging)
    0x09, 0x45,              //       Usage (Discharging)
    0x05, 0x84,              //       Usage Page (Power Device)
    0x09, 0x69,              //       Usage (ShutdownImminent)
    0x15, 0x00,              //       Logical Minimum (0)
    0x25, 0x01,              //       Logical Maximum (1)
    0x75, 0x01,              //       Report Size (1)
    0x95, 0x05,              //       Report Count (5)
    0x81, 0x02,              //       Input (Data, Variable, Absolute)
    0x95, 0x03,              //       Report Count (3)
    0x81, 0x01,              //       Input (Constant): padding
    0xC0,                    //     End Collection
    0x85, 0x02,              //     Report ID (2)
    0x05, 0x85,              //     Usage Page (Battery System)
    0x09, 0x66,              //     Usage (RemainingCapacity)
    0x25, 0x64,              //     Logical Maximum (100)
    0x75, 0x08,              //     Report Size (8)
    0x95, 0x01,              //     Report Count (1)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0x09, 0x68,              //     Usage (RunTimeToEmpty)
    0x27, 0xFF, 0xFF, 0x00, 0x00,  // Logical Maximum (65535)
    0x66, 0x01, 0x10,        //     Unit (SI linear: second)
    0x75, 0x10,              //     Report Size (16)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0x65, 0x00,              //     Unit (none)
    0x05, 0x84,              //     Usage Page (Power Device)
    0x09, 0x35,              //     Usage (PercentLoad)
    0x25, 0x64,              //     Logical Maximum (100)
    0x75, 0x08,              //     Report Size (8)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0x09, 0x1A,              //   Usage (Input)
    0xA1, 0x00,              //   Collection (Physical)
    0x85, 0x03,              //     Report ID (3)
    0x09, 0x30,              //     Usage (Voltage)
    0x67, 0x21, 0xD1, 0xF0, 0x00,  // Unit (SI linear: volt)
    0x55, 0x07,              //     Unit Exponent (7): volts
    0x26, 0x2C, 0x01,        //     Logical Maximum (300)
    0x75, 0x10,              //     Report Size (16)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0x09, 0x12,              //   Usage (Battery)
    0xA1, 0x00,              //   Collection (Physical)
    0x85, 0x04,              //     Report ID (4)
    0x09, 0x30,              //     Usage (Voltage)
    0x55, 0x05,              //     Unit Exponent (5): centivolts
    0x26, 0x10, 0x27,        //     Logical Maximum (10000)
    0xB1, 0x02,              //     Feature (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0xC0,                    // End Collection
};

// Sends nothing by itself: every figure is a feature report to ask for.
// No ACPresent: mains is told by Discharging. Exercises a usage range, Push
// and Pop, a physical range, an exponent written as a nibble and a long
// item.
//   0x10: Charging, Discharging (bits 0-1), 6 bits of padding
//   0x11: RemainingCapacity (%), RunTimeToEmpty (tens of seconds),
//         PercentLoad (0-255 for 0-100 %), 8 bits each
//   0x12: the input's Voltage (decivolts, 16 bits)
inline constexpr uint8_t kFeatureOnlyUps[] = {
    0x05, 0x84,              // Usage Page (Power Device)
    0x09, 0x04,              // Usage (UPS)
    0xA1, 0x01,              // Collection (Application)
    0xFE, 0x02, 0x00, 0xAA, 0xBB,  // a long item (2 bytes of data, tag 0): skipped
    0x09, 0x24,              //   Usage (PowerSummary)
    0xA1, 0x00,              //   Collection (Physical)
    0x85, 0x10,              //     Report ID (0x10)
    0x05, 0x85,              //     Usage Page (Battery System)
    0x19, 0x44,              //     Usage Minimum (Charging)
    0x29, 0x45,              //     Usage Maximum (Discharging)
    0x15, 0x00,              //     Logical Minimum (0)
    0x25, 0x01,              //     Logical Maximum (1)
    0x75, 0x01,              //     Report Size (1)
    0x95, 0x02,              //     Report Count (2)
    0xB1, 0x02,              //     Feature (Data, Variable, Absolute)
    0x75, 0x06,              //     Report Size (6)
    0x95, 0x01,              //     Report Count (1)
    0xB1, 0x03,              //     Feature (Constant): padding
    0x85, 0x11,              //     Report ID (0x11)
    0x09, 0x66,              //     Usage (RemainingCapacity)
    0x25, 0x64,              //     Logical Maximum (100)
    0x75, 0x08,              //     Report Size (8)
    0xB1, 0x02,              //     Feature (Data, Variable, Absolute)
    0x09, 0x68,              //     Usage (RunTimeToEmpty)
    0xA4,                    //     Push
    0x55, 0x01,              //       Unit Exponent (1): tens of seconds
    0x66, 0x01, 0x10,        //       Unit (SI linear: second)
    0x26, 0xFF, 0x00,        //       Logical Maximum (255)
    0xB1, 0x02,              //       Feature (Data, Variable, Absolute)
    0xB4,                    //     Pop: exponent 0, no unit, maximum 100
    0x05, 0x84,              //     Usage Page (Power Device)
    0x09, 0x35,              //     Usage (PercentLoad)
    0x26, 0xFF, 0x00,        //     Logical Maximum (255)
    0x35, 0x00,              //     Physical Minimum (0)
    0x45, 0x64,              //     Physical Maximum (100)
    0xB1, 0x02,              //     Feature (Data, Variable, Absolute)
    0x45, 0x00,              //     Physical Maximum (0): none from here
    0xC0,                    //   End Collection
    0x09, 0x1A,              //   Usage (Input)
    0xA1, 0x00,              //   Collection (Physical)
    0x85, 0x12,              //     Report ID (0x12)
    0x09, 0x30,              //     Usage (Voltage)
    0x26, 0xB8, 0x0B,        //     Logical Maximum (3000)
    0x55, 0x0F,              //     Unit Exponent (-1, as a nibble)
    0x75, 0x10,              //     Report Size (16)
    0xB1, 0x02,              //     Feature (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0xC0,                    // End Collection
};

// Gets things wrong as UPSes in the field do. No report ids: one input
// report of 7 bytes.
//   byte 0: ACPresent, Discharging, ShutdownImminent (bits 0-2): a UPS
//           calibrating says both "on line" and "discharging"
//   byte 1: RemainingCapacity, its maximum written as 0xFF in one byte (-1,
//           below its minimum of 0)
//   bytes 2-3: RunTimeToEmpty, 0 to 32767: 0xFFFF means "unknown"
//   bytes 4-5: the input's Voltage, unit volt with exponent 5 (centivolts)
//           while the UPS sends volts; its maximum 0xFFFF in two bytes (-1)
//   byte 6: the battery's Voltage, exponent 5 on an 8-bit field whose
//           whole range tops at 2.55 V, while the UPS sends decivolts
inline constexpr uint8_t kFaultyUps[] = {
    0x05, 0x84,              // Usage Page (Power Device)
    0x09, 0x04,              // Usage (UPS)
    0xA1, 0x01,              // Collection (Application)
    0x09, 0x24,              //   Usage (PowerSummary)
    0xA1, 0x00,              //   Collection (Physical)
    0x09, 0x02,              //     Usage (PresentStatus)
    0xA1, 0x02,              //     Collection (Logical)
    0x05, 0x85,              //       Usage Page (Battery System)
    0x09, 0xD0,              //       Usage (ACPresent)
    0x09, 0x45,              //       Usage (Discharging)
    0x05, 0x84,              //       Usage Page (Power Device)
    0x09, 0x69,              //       Usage (ShutdownImminent)
    0x15, 0x00,              //       Logical Minimum (0)
    0x25, 0x01,              //       Logical Maximum (1)
    0x75, 0x01,              //       Report Size (1)
    0x95, 0x03,              //       Report Count (3)
    0x81, 0x02,              //       Input (Data, Variable, Absolute)
    0x75, 0x05,              //       Report Size (5)
    0x95, 0x01,              //       Report Count (1)
    0x81, 0x01,              //       Input (Constant): padding
    0xC0,                    //     End Collection
    0x05, 0x85,              //     Usage Page (Battery System)
    0x09, 0x66,              //     Usage (RemainingCapacity)
    0x25, 0xFF,              //     Logical Maximum (-1): meant as 255
    0x75, 0x08,              //     Report Size (8)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0x09, 0x68,              //     Usage (RunTimeToEmpty)
    0x26, 0xFF, 0x7F,        //     Logical Maximum (32767)
    0x75, 0x10,              //     Report Size (16)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0x05, 0x84,              //   Usage Page (Power Device)
    0x09, 0x1A,              //   Usage (Input)
    0xA1, 0x00,              //   Collection (Physical)
    0x09, 0x30,              //     Usage (Voltage)
    0x67, 0x21, 0xD1, 0xF0, 0x00,  // Unit (SI linear: volt)
    0x55, 0x05,              //     Unit Exponent (5): centivolts, wrongly
    0x26, 0xFF, 0xFF,        //     Logical Maximum (-1): meant as 65535
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0x09, 0x12,              //   Usage (Battery)
    0xA1, 0x00,              //   Collection (Physical)
    0x09, 0x30,              //     Usage (Voltage)
    0x25, 0xFF,              //     Logical Maximum (-1): meant as 255
    0x75, 0x08,              //     Report Size (8)
    0x81, 0x02,              //     Input (Data, Variable, Absolute)
    0xC0,                    //   End Collection
    0xC0,                    // End Collection
};
