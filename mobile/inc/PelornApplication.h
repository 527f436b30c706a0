#ifndef PELORN_PELORN_APPLICATION_H
#define PELORN_PELORN_APPLICATION_H

/* The process entry's work: registers the low-battery and low-memory events
 * and runs the application loop with PelornMain's lifecycle callbacks.
 * Returns when the application ends; always 0 (failures are logged). Also
 * what tests and benchmarks call to run the whole application in-process. */
int RunPelornApplication(int argc, char** argv);

#endif
