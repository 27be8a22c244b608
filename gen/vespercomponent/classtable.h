// The classes this component offers, registered in a fixed order.
#pragma once

// Inserts every class into the class registry (once per process) and registers
// the matrix widget with the component manager as a service class.
void registerComponentClasses();
