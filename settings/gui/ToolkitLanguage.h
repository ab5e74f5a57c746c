#pragma once
// The toolkit's own texts (the buttons of message boxes, the file dialogs) in
// the language chosen for the program's texts, from the translations Debian
// ships with Qt (qt6-translations-l10n). English needs none.

namespace pixaldo {

// Switches the toolkit's texts to language `index` (the setting "Language");
// false when no translation of it is installed, which leaves them English.
bool UseToolkitLanguage(int index);

}  // namespace pixaldo
