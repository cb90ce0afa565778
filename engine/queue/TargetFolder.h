#pragma once

#include <QString>

namespace velmora {

// The absolute folder that a target folder text names, in native separators: a text of blanks only
// names none (empty result); elsewhere than on Windows a leading "~" is the home folder, as in a
// shell; a relative text is taken relative to the current directory.
QString ResolvedTargetFolder(const QString& text);

} // namespace velmora
