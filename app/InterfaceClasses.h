#pragma once
// Enters the application's view classes in the shared class registry, so the interface files can
// name them. Safe to call more than once.
namespace kestrova {

void registerInterfaceClasses();

}  // namespace kestrova
