// How the application starts its record server: ServerWindow on its thread, and on a
// machine without a display (the headless back end) a server that can be watched and
// stopped from the console: each activity-log line goes to standard output as it is
// added, and SIGINT or SIGTERM closes the server window (its connections with it) and
// then the frame, so the program ends as if the user had closed both.
#ifndef VX_APP_SERVER_START_H_
#define VX_APP_SERVER_START_H_

void StartServerWindow();

#endif  // VX_APP_SERVER_START_H_
