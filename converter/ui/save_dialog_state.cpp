#include "converter/ui/save_dialog_state.h"

#include "converter/ui/option_pages.h"

namespace vellora {

SaveDialogState::SaveDialogState(ConverterRun& converterRun)
    : run(converterRun), job(converterRun.job), settings(converterRun.settings) {}

SaveDialogState::~SaveDialogState() = default;

}  // namespace vellora
