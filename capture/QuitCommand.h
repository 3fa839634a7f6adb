#pragma once
// Ends the save worker once everything queued before it is done.
#include "capture/SaveRecord.h"

namespace kestrova {

class QuitCommand final : public SaveRecord {
public:
    Kind kind() const override { return Kind::QuitCommand; }
};

}  // namespace kestrova
