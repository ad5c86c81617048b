#pragma once
// The frame the end-to-end tests drive (DORVATH_TEST_PAGES names their page folder): a
// test page of its own that exercises the bridge, the dialogs and the widgets.
#include <memory>

#include "engine/app_frame.h"

namespace dorvath {

std::shared_ptr<void> MakeE2eFrame(AppContext& ctx);

}  // namespace dorvath
