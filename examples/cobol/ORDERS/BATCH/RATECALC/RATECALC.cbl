000100  IDENTIFICATION DIVISION.                                        RATECALC
000200  PROGRAM-ID. RATECALC.                                           RATECALC
000300*    PRICES AN ORDER AMOUNT BY CUSTOMER CLASS; CALLED BY ORDBATCH RATECALC
000400*    AND BY THE ONLINE ORDER ENTRY.                               RATECALC
000500  DATA DIVISION.                                                  RATECALC
000600  WORKING-STORAGE SECTION.                                        RATECALC
000700  01  WS-RATE                    PIC SV9(4) COMP-3.               RATECALC
000800  LINKAGE SECTION.                                                RATECALC
000900      COPY RATEPARM.                                              RATECALC
001000  PROCEDURE DIVISION USING RATE-PARAMETERS RATE-CONTROL.          RATECALC
001100  MAIN-LOGIC.                                                     RATECALC
001200      MOVE ZERO TO RP-RETURN-CODE                                 RATECALC
001300      EVALUATE RP-CUSTOMER-CLASS                                  RATECALC
001400         WHEN 'A1'                                                RATECALC
001500            MOVE .0500 TO WS-RATE                                 RATECALC
001600         WHEN 'B1' WHEN 'B2'                                      RATECALC
001700            MOVE .0250 TO WS-RATE                                 RATECALC
001800         WHEN OTHER                                               RATECALC
001900            MOVE ZERO TO WS-RATE                                  RATECALC
002000            MOVE 4 TO RP-RETURN-CODE                              RATECALC
002100      END-EVALUATE                                                RATECALC
002200      MOVE WS-RATE TO RP-DISCOUNT-RATE                            RATECALC
002300      CALL 'ROUNDAMT' USING RP-ORDER-AMOUNT WS-RATE RP-NET-AMOUNT RATECALC
002400      IF RC-TRACE-FLAG = 'Y'                                      RATECALC
002500         DISPLAY 'RATECALC ' RP-CUSTOMER-CLASS ' ' RP-NET-AMOUNT  RATECALC
002600      END-IF                                                      RATECALC
002700      GOBACK.                                                     RATECALC
002800  IDENTIFICATION DIVISION.                                        RATECALC
002900  PROGRAM-ID. ROUNDAMT.                                           RATECALC
003000*    NESTED: ROUNDS THE NET AMOUNT OF AN ORDER.                   RATECALC
003100  DATA DIVISION.                                                  RATECALC
003200  LINKAGE SECTION.                                                RATECALC
003300  01  LK-AMOUNT                  PIC S9(9)V99 COMP-3.             RATECALC
003400  01  LK-RATE                    PIC SV9(4) COMP-3.               RATECALC
003500  01  LK-NET                     PIC S9(9)V99 COMP-3.             RATECALC
003600  PROCEDURE DIVISION USING LK-AMOUNT LK-RATE LK-NET.              RATECALC
003700  ROUND-IT.                                                       RATECALC
003800      COMPUTE LK-NET ROUNDED = LK-AMOUNT - LK-AMOUNT * LK-RATE    RATECALC
003900          ON SIZE ERROR MOVE ZERO TO LK-NET                       RATECALC
004000      END-COMPUTE                                                 RATECALC
004100      GOBACK.                                                     RATECALC
004200  END PROGRAM ROUNDAMT.                                           RATECALC
004300  END PROGRAM RATECALC.                                           RATECALC
