#include "script_library/standard_library.h"

namespace kelmo::script_library {

// In the order of a script window's plug-in list. Forms and controls built by scripts are
// not offered, so their groups have no plug-in.
std::vector<std::shared_ptr<script::ImportPlugin>> standardImports(ScriptDialogs& dialogs,
                                                                  const ScriptFileNames& names) {
  return {makeExternalRoutinesImport(), makeClassesImport(names), makeComObjectsImport(), makeDateUtilsImport(),
          makeDialogsImport(dialogs),   makeStringsImport(),      makeMathImport(),       makeFilesImport(names)};
}

}  // namespace kelmo::script_library
