; Boot sector of a small helper disk that makes a machine without INT 13h
; extensions: it hooks INT 13h so that the extension calls (41h-48h) fail,
; then boots the second hard disk (81h), the stick, from its MBR. The boot
; code on the stick then has to fall back to CHS reads.

        cpu     386
        bits    16
        org     0

STICK_DRIVE     equ     0x81
BIOS_KIB        equ     0x0413          ; conventional memory size in the BDA

start:
        cli
        xor     ax, ax
        mov     ss, ax
        mov     sp, 0x7C00
        mov     ds, ax
        sti
        cld
        ; Take the top KiB of conventional memory for ourselves, as BIOS
        ; extensions do, so nothing loaded later overwrites the hook.
        dec     word [BIOS_KIB]
        mov     ax, [BIOS_KIB]
        shl     ax, 6
        mov     es, ax
        mov     si, 0x7C00
        xor     di, di
        mov     cx, 256
        rep     movsw
        push    es
        push    word relocated
        retf

relocated:
        mov     eax, [0x13 * 4]
        mov     [cs:old_int13], eax
        cli
        mov     word [0x13 * 4], int13
        mov     [0x13 * 4 + 2], cs
        sti

        push    cs
        pop     ds
        mov     si, msg
        call    print

        xor     ax, ax
        mov     es, ax
        mov     bx, 0x7C00
        mov     ax, 0x0201
        mov     cx, 0x0001
        xor     dh, dh
        mov     dl, STICK_DRIVE
        int     0x13
        jc      .halt
        xor     ax, ax
        mov     ds, ax
        mov     dl, STICK_DRIVE
        jmp     0x0000:0x7C00
.halt:
        hlt
        jmp     .halt

int13:
        cmp     ah, 0x41
        jb      .bios
        cmp     ah, 0x48
        ja      .bios
        push    bp
        mov     bp, sp
        or      byte [bp + 6], 1        ; CF in the caller's flags
        pop     bp
        mov     ah, 0x01                ; invalid function
        iret
.bios:
        jmp     far [cs:old_int13]

print:
        lodsb
        test    al, al
        jz      .done
        mov     ah, 0x0E
        mov     bx, 0x0007
        int     0x10
        jmp     print
.done:
        ret

old_int13:      dd      0
msg:            db      13, 10, 'NO-EDD SHIM: INT 13h extensions hidden, booting drive 81', 13, 10, 0

        times   510 - ($ - $$) db 0
        dw      0xAA55
