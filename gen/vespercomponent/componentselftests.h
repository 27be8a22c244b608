// The component's self tests, run by the host through runTests.
#pragma once

class ITesTestCallback;

// With a callback: hands it every registered test, in order. Without one:
// reports "Unable to get test service" and the manager's status text to the
// error service. A call made while one is running returns at once.
void runComponentTests(ITesTestCallback* callback);
