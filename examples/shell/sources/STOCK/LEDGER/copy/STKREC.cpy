       01  STOCK-RECORD.
           05  STK-ITEM          PIC X(10).
           05  STK-QTY           PIC S9(7) COMP-3.
