// Empty model                                                               !
