/* Entry point of the resource-only test module; it is only ever mapped as data, so this never runs. */
int __stdcall DllMainCRTStartup(void* module, unsigned long reason, void* reserved) {
  (void)module;
  (void)reason;
  (void)reserved;
  return 1;
}
