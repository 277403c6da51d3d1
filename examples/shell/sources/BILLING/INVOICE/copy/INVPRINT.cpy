       01  INVOICE-LINE.
           05  INV-AMOUNT        PIC S9(9)V99 COMP-3.
