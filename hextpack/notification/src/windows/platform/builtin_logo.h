// The package's built-in tray logo: 64 x 64 pixels, rows top to bottom,
// bytes blue, green, red, alpha, as a bgra_image holds them.
#ifndef NOTIFICATION_BUILTIN_LOGO_H
#define NOTIFICATION_BUILTIN_LOGO_H

#include <cstdint>

namespace notification {

constexpr int32_t builtin_logo_size = 64;
extern const uint8_t builtin_logo_bgra[builtin_logo_size * builtin_logo_size * 4];

}  // namespace notification

#endif
