// Virtual-key codes: the key numbers the key events carry. Digits and letters are their upper-case ASCII
// codes ('0'..'9', 'A'..'Z').
#pragma once

#include <cstdint>

constexpr uint16_t VK_LBUTTON = 0x01;
constexpr uint16_t VK_RBUTTON = 0x02;
constexpr uint16_t VK_MBUTTON = 0x04;
constexpr uint16_t VK_BACK = 0x08;
constexpr uint16_t VK_TAB = 0x09;
constexpr uint16_t VK_RETURN = 0x0D;
constexpr uint16_t VK_SHIFT = 0x10;
constexpr uint16_t VK_CONTROL = 0x11;
constexpr uint16_t VK_MENU = 0x12;
constexpr uint16_t VK_PAUSE = 0x13;
constexpr uint16_t VK_CAPITAL = 0x14;
constexpr uint16_t VK_ESCAPE = 0x1B;
constexpr uint16_t VK_SPACE = 0x20;
constexpr uint16_t VK_PRIOR = 0x21;
constexpr uint16_t VK_NEXT = 0x22;
constexpr uint16_t VK_END = 0x23;
constexpr uint16_t VK_HOME = 0x24;
constexpr uint16_t VK_LEFT = 0x25;
constexpr uint16_t VK_UP = 0x26;
constexpr uint16_t VK_RIGHT = 0x27;
constexpr uint16_t VK_DOWN = 0x28;
constexpr uint16_t VK_SNAPSHOT = 0x2C;
constexpr uint16_t VK_INSERT = 0x2D;
constexpr uint16_t VK_DELETE = 0x2E;
constexpr uint16_t VK_NUMPAD0 = 0x60; // VK_NUMPAD0 + n for keypad digit n
constexpr uint16_t VK_MULTIPLY = 0x6A;
constexpr uint16_t VK_ADD = 0x6B;
constexpr uint16_t VK_SUBTRACT = 0x6D;
constexpr uint16_t VK_DECIMAL = 0x6E;
constexpr uint16_t VK_DIVIDE = 0x6F;
constexpr uint16_t VK_F1 = 0x70; // VK_F1 + n - 1 for F1..F24
constexpr uint16_t VK_NUMLOCK = 0x90;
constexpr uint16_t VK_SCROLL = 0x91;
constexpr uint16_t VK_OEM_1 = 0xBA;      // ";:"
constexpr uint16_t VK_OEM_PLUS = 0xBB;   // "=+"
constexpr uint16_t VK_OEM_COMMA = 0xBC;  // ",<"
constexpr uint16_t VK_OEM_MINUS = 0xBD;  // "-_"
constexpr uint16_t VK_OEM_PERIOD = 0xBE; // ".>"
constexpr uint16_t VK_OEM_2 = 0xBF;      // "/?"
constexpr uint16_t VK_OEM_3 = 0xC0;      // "`~"
constexpr uint16_t VK_OEM_4 = 0xDB;      // "[{"
constexpr uint16_t VK_OEM_5 = 0xDC;      // "\|"
constexpr uint16_t VK_OEM_6 = 0xDD;      // "]}"
constexpr uint16_t VK_OEM_7 = 0xDE;      // "'\""
