#pragma once

#include "sheet_painter.h"

#include <array>
#include <cstdint>

namespace beatplate::palette {

// A light warm page with soft lanes, so that the saturated notes carry the picture.
inline constexpr std::uint32_t kPage = argb(0xF6, 0xF0, 0xE6);
inline constexpr std::uint32_t kFrame = argb(0x4A, 0x3F, 0x38);
inline constexpr std::uint32_t kOutline = argb(0x2B, 0x22, 0x1E);
inline constexpr std::uint32_t kRim = argb(0xFF, 0xFB, 0xF2);
inline constexpr std::uint32_t kHalo = argb(0xFF, 0xFB, 0xF4, 230);

// Lanes of branch bits 0, 1 and 2, and the stronger tints of their icons.
inline constexpr std::array<std::uint32_t, 3> kLanes{ argb(0xE6, 0xE0, 0xD5),
                                                      argb(0xD6, 0xE8, 0xDC),
                                                      argb(0xEE, 0xDB, 0xE8) };
inline constexpr std::array<std::uint32_t, 3> kBranchIcons{ argb(0xB8, 0x9C, 0x78),
                                                            argb(0x4F, 0xB0, 0x8A),
                                                            argb(0xC7, 0x6B, 0xB0) };

inline constexpr std::uint32_t kRed = argb(0xE5, 0x49, 0x3B);
inline constexpr std::uint32_t kBlue = argb(0x3F, 0x8F, 0xDA);
inline constexpr std::uint32_t kYellow = argb(0xF7, 0xC6, 0x34);
inline constexpr std::uint32_t kOrange = argb(0xF2, 0x8C, 0x28);
inline constexpr std::uint32_t kViolet = argb(0x8C, 0x6B, 0xD1);

inline constexpr std::uint32_t kBalloonBadge = argb(0xF0, 0x7B, 0x3F);
inline constexpr std::uint32_t kSquareBadge = argb(0x4F, 0xAE, 0x5B);
inline constexpr std::uint32_t kStarBadge = argb(0xE0, 0x50, 0x8A);
inline constexpr std::uint32_t kBadgeCentre = argb(0xFF, 0xF8, 0xE8);

inline constexpr std::uint32_t kBarLine = argb(0x3E, 0x35, 0x30);
inline constexpr std::uint32_t kBeatLine = argb(0x3E, 0x35, 0x30, 100);
inline constexpr std::uint32_t kHalfBeatLine = argb(0x3E, 0x35, 0x30, 50);
inline constexpr std::uint32_t kBranchLine = argb(0xE0, 0xA1, 0x1E);
inline constexpr std::uint32_t kChangeLine = argb(0x3A, 0x8F, 0xA0);
inline constexpr std::uint32_t kGogo = argb(0xFF, 0x8A, 0x3D);

inline constexpr std::uint32_t kTempoInk = argb(0xB0, 0x28, 0x3A);
inline constexpr std::uint32_t kScrollInk = argb(0x13, 0x6F, 0x86);
inline constexpr std::uint32_t kSmallInk = argb(0x3A, 0x30, 0x2B);

} // namespace beatplate::palette
