#pragma once

class QCoreApplication;

namespace kelvan::app {

// Installs Qt's own Russian texts (qtbase_ru from Qt's translations folder) on `application`,
// so that standard buttons read "ОК", "Да", "Нет", "Отмена" and the file dialogs speak Russian
// like the rest of the program. Returns false, leaving Qt's English texts, when the catalogue
// cannot be loaded.
bool installQtTranslations(QCoreApplication& application);

}  // namespace kelvan::app
