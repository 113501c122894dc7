#include "script_library/standard_library.h"

namespace kelmo::script_library {

std::vector<std::shared_ptr<script::ImportPlugin>> standardImports(ScriptDialogs& dialogs) {
  return {makeClassesImport(), makeDateUtilsImport(), makeStringsImport(), makeMathImport(), makeFilesImport()};
  (void)dialogs;
}

}  // namespace kelmo::script_library
