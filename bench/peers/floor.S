// The cheapest process that puts the same 8,000 bytes on standard output: the
// text is already in its data, and it makes one write and one exit_group.
// One source for x86-64 and i386; linked static-pie with nothing to relocate.
//
// On i386 it enters the kernel as packtext does, with `int $0x80`; built with
// -DFLOOR_VDSO it goes through the vDSO's __kernel_vsyscall instead, found in
// the auxiliary vector, to show what `int $0x80` costs. packtext cannot do
// that: finding the vDSO takes start-up code before its entry routine.
//
// Built with -DFLOOR_TOUCH_PAGES it also takes the page faults packtext
// cannot avoid, with none of packtext's code: laid out as packtext's tables
// are, it touches their pages as packtext does: it reads the page of source
// words, then writes one byte of each of the two pages of text, an "A" where
// there is one already, so each written page is copied on write.

#ifdef FLOOR_TOUCH_PAGES
        .data
        .balign 4096
source_page:
        .skip   96
        .rept 1000
        .ascii "AAAA"
        .endr
text:
#else
        .section .rodata
text:
#endif
        .rept 4000
        .ascii "A*"
        .endr
        .set text_size, . - text
#ifdef FLOOR_TOUCH_PAGES
        .skip 16
#endif

        .text
        .globl _start
_start:
#if defined(__x86_64__)
        lea     text(%rip), %rsi
#ifdef FLOOR_TOUCH_PAGES
        mov     source_page(%rip), %al
        movb    $'A', (%rsi)
        movb    $'A', 4096(%rsi)
#endif
        mov     $1, %eax                // write(1, text, text_size)
        mov     $1, %edi
        mov     $text_size, %edx
        syscall
        mov     $231, %eax              // exit_group(0)
        xor     %edi, %edi
        syscall

#elif defined(__i386__)
#ifndef FLOOR_VDSO
        xor     %esi, %esi
#else
        mov     (%esp), %eax            // argc; the environment follows argv's null
        lea     8(%esp,%eax,4), %esi
1:      lodsl
        test    %eax, %eax
        jnz     1b
2:      lodsl                           // (type, value) pairs: find AT_SYSINFO
        cmp     $32, %eax
        je      3f
        test    %eax, %eax
        lodsl
        jnz     2b
        xor     %esi, %esi              // none: fall back to int $0x80
        jmp     4f
3:      mov     (%esi), %esi
4:
#endif
        call    5f                      // no %eip-relative addressing on i386
5:      pop     %ecx
        add     $text - 5b, %ecx
#ifdef FLOOR_TOUCH_PAGES
        mov     source_page - text(%ecx), %al
        movb    $'A', (%ecx)
        movb    $'A', 4096(%ecx)
#endif
        mov     $4, %eax                // write(1, text, text_size)
        mov     $1, %ebx
        mov     $text_size, %edx
        call    enter_kernel
        mov     $252, %eax              // exit_group(0)
        xor     %ebx, %ebx
        call    enter_kernel

enter_kernel:                           // through %esi if set, else int $0x80
        test    %esi, %esi
        jz      6f
        jmp     *%esi
6:      int     $0x80
        ret

#else
#error "the floor is written for x86-64 and i386"
#endif

        .section .note.GNU-stack, "", @progbits
