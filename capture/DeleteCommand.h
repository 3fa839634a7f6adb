#pragma once
// A request to the worker to remove files, in the order given (a picture, then its thumbnail).
#include "capture/SaveRecord.h"

#include <string>
#include <vector>

namespace kestrova {

class DeleteCommand final : public SaveRecord {
public:
    explicit DeleteCommand(std::vector<std::string> paths) : pathArray_(std::move(paths)) {}
    Kind kind() const override { return Kind::DeleteCommand; }
    const std::vector<std::string>& pathArray() const { return pathArray_; }

private:
    std::vector<std::string> pathArray_;
};

}  // namespace kestrova
