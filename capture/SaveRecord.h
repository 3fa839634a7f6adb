#pragma once
// A record of the save queue. The worker tells the kinds apart by kind(), the exact class.
namespace kestrova {

class SaveRecord {
public:
    enum class Kind { ProcessData, DeleteCommand, QuitCommand };
    virtual ~SaveRecord() = default;
    virtual Kind kind() const = 0;
};

}  // namespace kestrova
