// Where the help menu's first row leads: "common/helpUrl" of the application
// configuration, a web address or a file path relative to the modules folder. Without
// one, the help page shipped in modules/help/.
#pragma once

#include <QString>

namespace helpaddress {

inline constexpr char kConfigKey[] = "common/helpUrl";
inline constexpr char kDefaultPage[] = "help/index.html";

// `configured` as the user's browser takes it: addresses with a scheme unchanged, paths
// as file URLs against `modulesDir`.
QString resolve(const QString& configured, const QString& modulesDir);

} // namespace helpaddress
