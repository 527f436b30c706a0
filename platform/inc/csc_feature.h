#ifndef PELORN_PLATFORM_CSC_FEATURE_H
#define PELORN_PLATFORM_CSC_FEATURE_H

#ifdef __cplusplus
extern "C" {
#endif

/* The maker's feature flags: feature number N is the settings key
 * "db/csc/feature/<N>" (bool or int). */

typedef enum
{
    CSC_FEATURE_BOOL_FALSE = 0,
    CSC_FEATURE_BOOL_TRUE = 1,
    CSC_FEATURE_BOOL_ERROR = -1,
} csc_feature_bool_e;

/* CSC_FEATURE_BOOL_ERROR when the flag is not set or unreadable. */
int csc_feature_get_bool(int feature);

#ifdef __cplusplus
}
#endif

#endif
